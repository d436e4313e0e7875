// A control node of a tuner's topology: what the network provider programs (LNB oscillators,
// frequency, polarity, symbol rate, system and input stream, DiSEqC LNB source) into the
// tuner's settings, and where the
// program reads signal statistics from the driver. The RF tuner node offers all of it; the
// demodulator node only its own part.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "cardkit/TunerDevice.h"
#include "platform/BdaInterfaces.h"

namespace cardkit {

class TunerControlNode : public IBDA_FrequencyFilter,
                         public IBDA_SignalStatistics,
                         public IBDA_LNBInfo,
                         public IBDA_DigitalDemodulator,
                         public IBDA_StreamSelection,
                         public IBDA_DiseqCommand {
public:
    TunerControlNode(std::shared_ptr<TunerDevice> tuner, std::uint32_t nodeType);

    bool Supports(const IID& iid) const override;

    HRESULT put_Frequency(std::uint32_t frequency) override;
    HRESULT put_Polarity(::Polarisation polarity) override;
    HRESULT put_Range(std::uint64_t range) override;
    HRESULT put_Bandwidth(std::uint32_t bandwidth) override;
    HRESULT put_FrequencyMultiplier(std::uint32_t multiplier) override;

    HRESULT get_SignalStrength(std::int32_t* strength) override;
    HRESULT get_SignalQuality(std::int32_t* quality) override;

    HRESULT put_LocalOscilatorFrequencyLowBand(std::uint32_t frequencyKHz) override;
    HRESULT put_LocalOscilatorFrequencyHighBand(std::uint32_t frequencyKHz) override;
    HRESULT put_HighLowSwitchFrequency(std::uint32_t frequencyKHz) override;

    HRESULT put_SymbolRate(std::uint32_t symbolRate) override;

    HRESULT put_SignalSystem(::DvbsSystem system) override;
    HRESULT put_InputStreamId(std::int32_t streamId) override;
    HRESULT put_PlsCode(std::int32_t goldCode) override;
    HRESULT get_LockedSystem(::DvbsSystem* system) override;

    HRESULT put_EnableDiseqCommands(bool enable) override;
    HRESULT put_DiseqLNBSource(std::uint32_t lnbSource) override;

private:
    HRESULT Edit(const std::function<void(TuningSettings&)>& edit);

    const std::shared_ptr<TunerDevice> m_tuner;
    const std::uint32_t m_nodeType;
};

}  // namespace cardkit
