// The values of one tune command, in the order the worker copies them out of its slot: where the
// carrier is, the ids of the request and, when the channel names them, the system and stream.
#pragma once

#include <cstdint>

struct TuneParameters {
    std::uint32_t frequencyKHz = 0;  // carrier frequency, kHz
    std::int32_t symbolRate = 0;     // ksymbol/s
    std::int32_t onid = -1;          // -1 when absent
    std::int32_t tsid = -1;
    std::int32_t sid = -1;
    std::int32_t polarisation = -1;   // 1 H, 2 V, 3 L, 4 R
    std::uint32_t lnbSource = 0;      // 1..4 (DiSEqC position A..D); 0 = none
    std::int32_t system = -1;         // DvbsSystem: 1 DVB-S, 2 DVB-S2, -1 either
    std::int32_t inputStreamId = -1;  // 0..255; -1 = none
    std::int32_t plsCode = -1;        // gold code 0..262143; -1 = none
};
