#include "platform/DvbsLocator.h"

#include "platform/OutParameter.h"

HRESULT DvbsLocator::put_CarrierFrequency(std::int32_t frequencyKHz) {
    m_carrierFrequency = frequencyKHz;
    return S_OK;
}

HRESULT DvbsLocator::get_CarrierFrequency(std::int32_t* frequencyKHz) {
    return CopyOut(m_carrierFrequency, frequencyKHz);
}

HRESULT DvbsLocator::put_SymbolRate(std::int32_t symbolRate) {
    m_symbolRate = symbolRate;
    return S_OK;
}

HRESULT DvbsLocator::get_SymbolRate(std::int32_t* symbolRate) {
    return CopyOut(m_symbolRate, symbolRate);
}

HRESULT DvbsLocator::put_SignalPolarisation(Polarisation polarisation) {
    m_polarisation = polarisation;
    return S_OK;
}

HRESULT DvbsLocator::get_SignalPolarisation(Polarisation* polarisation) {
    return CopyOut(m_polarisation, polarisation);
}

HRESULT DvbsLocator::put_DiseqLNBSource(LNB_Source source) {
    m_lnbSource = source;
    return S_OK;
}

HRESULT DvbsLocator::get_DiseqLNBSource(LNB_Source* source) {
    return CopyOut(m_lnbSource, source);
}

HRESULT DvbsLocator::put_SignalSystem(DvbsSystem system) {
    m_system = system;
    return S_OK;
}

HRESULT DvbsLocator::get_SignalSystem(DvbsSystem* system) {
    return CopyOut(m_system, system);
}

HRESULT DvbsLocator::put_InputStreamId(std::int32_t streamId) {
    m_inputStreamId = streamId;
    return S_OK;
}

HRESULT DvbsLocator::get_InputStreamId(std::int32_t* streamId) {
    return CopyOut(m_inputStreamId, streamId);
}

HRESULT DvbsLocator::put_PlsCode(std::int32_t goldCode) {
    m_plsCode = goldCode;
    return S_OK;
}

HRESULT DvbsLocator::get_PlsCode(std::int32_t* goldCode) {
    return CopyOut(m_plsCode, goldCode);
}
