#include "RecordingCheck.h"

#include <array>

namespace {

constexpr std::size_t kPacketSize = 188;
constexpr std::uint8_t kSyncByte = 0x47;
constexpr std::uint16_t kPatPid = 0x0000;
constexpr std::uint16_t kNullPid = 0x1FFF;
constexpr std::size_t kPidCount = 0x2000;
constexpr std::size_t kReportedFaults = 5;

struct PidCount {
    int last = -1;                // counter of the PID's previous packet; -1 before the first
    std::uint64_t freshPats = 0;  // fresh PATs the file had shown at that packet
};

void Note(RecordingCheck& check, std::string fault) {
    if (check.firstFaults.size() < kReportedFaults) check.firstFaults.push_back(std::move(fault));
}

}  // namespace

RecordingCheck CheckRecording(std::span<const std::uint8_t> bytes) {
    RecordingCheck check;
    check.wholePackets = bytes.size() % kPacketSize == 0;
    if (!check.wholePackets)
        Note(check, "size " + std::to_string(bytes.size()) + " is not whole packets");

    std::array<PidCount, kPidCount> pids{};
    std::uint64_t freshPats = 0;
    for (std::size_t at = 0; at + kPacketSize <= bytes.size(); at += kPacketSize) {
        const std::uint8_t* packet = &bytes[at];
        ++check.packets;
        if (packet[0] != kSyncByte) {
            ++check.badSyncBytes;
            Note(check, "no sync byte at offset " + std::to_string(at));
            continue;
        }
        const auto pid = static_cast<std::uint16_t>(((packet[1] & 0x1F) << 8) | packet[2]);
        if (pid == kNullPid) continue;
        const int counter = packet[3] & 0x0F;
        const bool payload = (packet[3] & 0x10) != 0;
        const bool adaptation = (packet[3] & 0x20) != 0;
        const bool discontinuity = adaptation && packet[4] > 0 && (packet[5] & 0x80) != 0;
        if (pid == kPatPid && counter == 0) ++freshPats;

        PidCount& state = pids[pid];
        // Only packets with a payload advance the counter.
        const int expected = state.last < 0 ? counter
                             : payload      ? (state.last + 1) & 0x0F
                                            : state.last;
        if (counter != expected && !discontinuity) {
            if (counter == 0 && freshPats > state.freshPats) {
                if (pid == kPatPid) ++check.restarts;
            } else {
                ++check.breaks;
                Note(check, "PID " + std::to_string(pid) + " counter " + std::to_string(counter) +
                                " after " + std::to_string(state.last) + " at offset " +
                                std::to_string(at));
            }
        }
        state.last = counter;
        state.freshPats = freshPats;
    }
    return check;
}
