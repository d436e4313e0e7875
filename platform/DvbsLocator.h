// A DVB-S locator (CLSID_DVBSLocator), offering IDVBSLocator, IDVBSLocator2 and
// IDVBSStreamLocator: carrier frequency (kHz) and symbol rate (ksymbol/s), -1 when not set;
// polarisation, DiSEqC LNB source, system, input stream and scrambling code, "not set" until
// given. Thread-safe: a graph's worker tunes while others read.
#pragma once

#include <atomic>

#include "platform/TuningInterfaces.h"

class DvbsLocator : public IDVBSLocator2, public IDVBSStreamLocator {
public:
    HRESULT put_CarrierFrequency(std::int32_t frequencyKHz) override;
    HRESULT get_CarrierFrequency(std::int32_t* frequencyKHz) override;
    HRESULT put_SymbolRate(std::int32_t symbolRate) override;
    HRESULT get_SymbolRate(std::int32_t* symbolRate) override;
    HRESULT put_SignalPolarisation(Polarisation polarisation) override;
    HRESULT get_SignalPolarisation(Polarisation* polarisation) override;
    HRESULT put_DiseqLNBSource(LNB_Source source) override;
    HRESULT get_DiseqLNBSource(LNB_Source* source) override;
    HRESULT put_SignalSystem(DvbsSystem system) override;
    HRESULT get_SignalSystem(DvbsSystem* system) override;
    HRESULT put_InputStreamId(std::int32_t streamId) override;
    HRESULT get_InputStreamId(std::int32_t* streamId) override;
    HRESULT put_PlsCode(std::int32_t goldCode) override;
    HRESULT get_PlsCode(std::int32_t* goldCode) override;

private:
    std::atomic<std::int32_t> m_carrierFrequency{-1};
    std::atomic<std::int32_t> m_symbolRate{-1};
    std::atomic<Polarisation> m_polarisation{BDA_POLARISATION_NOT_SET};
    std::atomic<LNB_Source> m_lnbSource{BDA_LNB_SOURCE_NOT_SET};
    std::atomic<DvbsSystem> m_system{DVBS_SYSTEM_NOT_SET};
    std::atomic<std::int32_t> m_inputStreamId{kInputStreamNotSet};
    std::atomic<std::int32_t> m_plsCode{kPlsCodeNotSet};
};
