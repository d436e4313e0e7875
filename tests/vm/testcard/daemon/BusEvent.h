// One thing that happened on a tuner's LNB cable, as the test card's daemon saw it: a supply
// voltage, the 22 kHz tone, a DiSEqC message or tone burst, or a tune of the demodulator, with
// the kernel's time of the event. The guest checks read these back as text lines, one event a
// line: "<time_ns> <tuner 0|1> <kind> <value...>" (see Format).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testcard {

enum class BusKind : std::uint8_t { Voltage, Tone, Message, Burst, Tune };

struct BusEvent {
    std::uint64_t timeNs = 0;  // CLOCK_BOOTTIME of the guest
    int tuner = 0;             // frontend index, 0 or 1
    BusKind kind = BusKind::Voltage;
    // Voltage: 13, 18 or 0 (off). Tone: 1 on, 0 off. Burst: 0 (A) or 1 (B). Tune: kHz.
    std::uint32_t value = 0;
    std::vector<std::uint8_t> bytes{};  // Message: the bytes as sent
    // Message: false when it did not reach the equipment on the cable (talked over, no supply,
    // tone on). Tune: whether the demodulator locked.
    bool landed = true;
    std::string note{};  // Tune: what was received ("10773H Helion" or "nothing")
    friend bool operator==(const BusEvent&, const BusEvent&) = default;
};

// One line without its newline; Parse reads it back (nothing for a malformed line).
std::string Format(const BusEvent& event);
std::optional<BusEvent> Parse(const std::string& line);

}  // namespace testcard
