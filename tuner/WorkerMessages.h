// What a tuner graph's worker posts to the user-interface thread. Each record is allocated by
// the worker and owned by the receiver once posted; wParam is the tuner number (1 or 2).
#pragma once

#include <cstdint>
#include <memory>
#include <new>

inline constexpr std::uint32_t MSG_SIGNAL_STATUS = 0x0500;
inline constexpr std::uint32_t MSG_SPECTRUM_POINT = 0x0501;  // no record: end of a sweep

// The level, in thousandths of a decibel, of a strength that a tuner reports. The subtraction
// wraps as 32-bit arithmetic does, so no value a driver returns is undefined.
constexpr std::int32_t LevelFromStrength(std::int32_t strength) {
    return static_cast<std::int32_t>(100000u - static_cast<std::uint32_t>(strength));
}

// Posted about once a second by an idle worker.
struct SignalStatus {
    std::int32_t level = 0;    // 100000 minus the reported strength: thousandths of a decibel
    std::int32_t quality = 0;  // percent, as the tuner reports it
    std::int32_t system = -1;  // what locked: 1 DVB-S, 2 DVB-S2; -1 unlocked or not known
};

// One step of a spectrum sweep.
struct SpectrumPoint {
    std::int32_t frequency = 0;  // MHz
    std::int32_t level = 0;      // thousandths of a decibel
};

// A record for a post, or null when there is no memory for it: the report is lost rather than
// the worker.
template <class Record>
std::unique_ptr<Record> NewRecord(const Record& record) noexcept {
    return std::unique_ptr<Record>(new (std::nothrow) Record(record));
}
