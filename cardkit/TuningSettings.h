// What a network provider programs on a tuner's control nodes (and the DiSEqC enable / LNB
// source properties) before it commits a tune. The filter shells keep one of these per tuner,
// shared by every filter object bound for that tuner, and hand a copy to the driver on commit.
#pragma once

#include <cstdint>

#include "platform/BdaInterfaces.h"

namespace cardkit {

struct TuningSettings {
    std::uint32_t lowOscillatorKHz = 9750000;
    std::uint32_t highOscillatorKHz = 10600000;
    std::uint32_t switchKHz = 11700000;
    std::uint32_t frequency = 0;  // in units of `multiplier` Hz
    std::uint32_t multiplier = 1000;
    ::Polarisation polarity = BDA_POLARISATION_NOT_SET;
    std::uint32_t symbolRate = 0;  // ksymbol/s
    bool diseqcEnabled = true;
    std::uint32_t lnbSource = 0;  // 1..4, 0 = none
    // Set by the program in the tune request; -1 when absent. A driver may use the service id
    // to ask the CAM for descrambling.
    std::int32_t onid = -1;
    std::int32_t tsid = -1;
    std::int32_t sid = -1;
    // The carrier's system when the channel names it (else the driver tries both), and on a
    // DVB-S2 multistream carrier the input stream to deliver (0-255) and the gold code that
    // unscrambles its physical layer (0-262143); kInputStreamNotSet / kPlsCodeNotSet when not
    // given: the carrier's single or first stream, with the default code.
    ::DvbsSystem system = DVBS_SYSTEM_NOT_SET;
    std::int32_t inputStreamId = kInputStreamNotSet;
    std::int32_t plsCode = kPlsCodeNotSet;

    // The carrier frequency in kHz.
    std::uint64_t FrequencyKHz() const {
        return static_cast<std::uint64_t>(frequency) * multiplier / 1000u;
    }
};

}  // namespace cardkit
