#include "linuxdvb/SignalScale.h"

#include <algorithm>

namespace linuxdvb {
namespace {

constexpr std::int64_t kDbmToDbMicrovolt = 108750;  // 75 Ω
constexpr std::int32_t kPictureBottom = 30000;
constexpr std::int32_t kPictureSpan = 50000;
constexpr std::int64_t kFullMargin = 10000;  // 0.001 dB of margin shown as 100 %

struct Requirement {
    std::uint32_t system;
    std::uint32_t modulation;
    std::uint32_t codeRate;
    std::int32_t cnr;  // 0.001 dB
};

// Es/N0 for quasi-error-free reception. DVB-S: the Eb/N0 needed after Viterbi and Reed-Solomon
// (4.5, 5.0, 5.5, 6.0, 6.4 dB) converted with the code rate and the 188/204 overhead. DVB-S2:
// normal frames, without pilots.
constexpr Requirement kRequirements[] = {
    {SYS_DVBS, QPSK, FEC_1_2, 4150},       {SYS_DVBS, QPSK, FEC_2_3, 5900},
    {SYS_DVBS, QPSK, FEC_3_4, 6900},       {SYS_DVBS, QPSK, FEC_5_6, 7900},
    {SYS_DVBS, QPSK, FEC_7_8, 8500},       {SYS_DVBS2, QPSK, FEC_2_5, -300},
    {SYS_DVBS2, QPSK, FEC_1_2, 1000},      {SYS_DVBS2, QPSK, FEC_3_5, 2230},
    {SYS_DVBS2, QPSK, FEC_2_3, 3100},      {SYS_DVBS2, QPSK, FEC_3_4, 4030},
    {SYS_DVBS2, QPSK, FEC_4_5, 4680},      {SYS_DVBS2, QPSK, FEC_5_6, 5180},
    {SYS_DVBS2, QPSK, FEC_8_9, 6200},      {SYS_DVBS2, QPSK, FEC_9_10, 6420},
    {SYS_DVBS2, PSK_8, FEC_3_5, 5500},     {SYS_DVBS2, PSK_8, FEC_2_3, 6620},
    {SYS_DVBS2, PSK_8, FEC_3_4, 7910},     {SYS_DVBS2, PSK_8, FEC_5_6, 9350},
    {SYS_DVBS2, PSK_8, FEC_8_9, 10690},    {SYS_DVBS2, PSK_8, FEC_9_10, 10980},
    {SYS_DVBS2, APSK_16, FEC_2_3, 8970},   {SYS_DVBS2, APSK_16, FEC_3_4, 10210},
    {SYS_DVBS2, APSK_16, FEC_4_5, 11030},  {SYS_DVBS2, APSK_16, FEC_5_6, 11610},
    {SYS_DVBS2, APSK_16, FEC_8_9, 12890},  {SYS_DVBS2, APSK_16, FEC_9_10, 13130},
    {SYS_DVBS2, APSK_32, FEC_3_4, 12730},  {SYS_DVBS2, APSK_32, FEC_4_5, 13640},
    {SYS_DVBS2, APSK_32, FEC_5_6, 14280},  {SYS_DVBS2, APSK_32, FEC_8_9, 15690},
    {SYS_DVBS2, APSK_32, FEC_9_10, 16050},
};

}  // namespace

std::int32_t LevelFromRelative(std::uint16_t value) {
    return kPictureBottom + static_cast<std::int32_t>(std::int64_t{value} * kPictureSpan / 65535);
}

std::optional<std::int32_t> LevelFromStrength(const FrontendStat& strength) {
    switch (strength.scale) {
        case FE_SCALE_DECIBEL:
            // Clamped so that the program's 100000 - level stays meaningful for any reading.
            return static_cast<std::int32_t>(
                std::clamp<std::int64_t>(strength.value + kDbmToDbMicrovolt, 0, 100000));
        case FE_SCALE_RELATIVE:
            return LevelFromRelative(static_cast<std::uint16_t>(strength.value));
        default:
            return std::nullopt;
    }
}

std::int32_t RequiredCnr(std::uint32_t system, std::uint32_t modulation, std::uint32_t codeRate) {
    // DVB-S knows only QPSK, whatever a driver reports with it.
    if (system == SYS_DVBS) modulation = QPSK;
    if (system != SYS_DVBS2) system = SYS_DVBS;
    std::optional<std::int32_t> least;
    for (const Requirement& r : kRequirements) {
        if (r.system != system || r.modulation != modulation) continue;
        if (r.codeRate == codeRate) return r.cnr;
        least = std::min(least.value_or(r.cnr), r.cnr);
    }
    // A modulation the table lacks: judged as QPSK of its system.
    return least ? *least : RequiredCnr(system, QPSK, codeRate);
}

std::optional<std::int32_t> QualityFromCnr(const LockedSignal& locked) {
    if (locked.cnr.scale == FE_SCALE_RELATIVE)
        return QualityFromRelative(static_cast<std::uint16_t>(locked.cnr.value));
    if (locked.cnr.scale != FE_SCALE_DECIBEL) return std::nullopt;
    const std::int64_t margin =
        locked.cnr.value - RequiredCnr(locked.system, locked.modulation, locked.codeRate);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(margin * 100 / kFullMargin, 1, 100));
}

std::int32_t QualityFromRelative(std::uint16_t value) {
    return std::max<std::int32_t>(1, static_cast<std::int32_t>(std::int64_t{value} * 100 / 65535));
}

}  // namespace linuxdvb
