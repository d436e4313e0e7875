// What a recording file must hold: whole 188-byte packets, each starting with the sync byte, and
// per PID continuity counters that step by one from packet to packet.
//
// The card's stream may begin again inside one file: whenever the tuner is retuned (a tune, a
// committed DiSEqC switch, a spectrum step) the card starts the new transponder's stream afresh,
// with its PAT first and every PID's counter at 0. A counter may therefore fall back to 0 where
// a PAT with counter 0 has arrived since that PID's previous packet, and nowhere else. A packet
// lost, repeated or reordered anywhere else breaks the count, and so does a restart that does
// not begin at 0. A discontinuity indicator in the adaptation field excuses a break, as it does
// for any receiver; null packets carry no count.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct RecordingCheck {
    std::uint64_t packets = 0;
    std::uint64_t restarts = 0;  // counters that began again at a fresh PAT
    std::uint64_t breaks = 0;    // counter steps that nothing explains
    bool wholePackets = true;    // the size is a multiple of 188
    std::uint64_t badSyncBytes = 0;
    std::vector<std::string> firstFaults;  // where the first few faults are, for the report

    bool Sound() const { return wholePackets && badSyncBytes == 0 && breaks == 0; }
};

RecordingCheck CheckRecording(std::span<const std::uint8_t> bytes);
