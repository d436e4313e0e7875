#include "platform/DvbsTuningSpace.h"

#include "platform/DvbTuneRequest.h"
#include "platform/OutParameter.h"

HRESULT DvbsTuningSpace::put__NetworkType(const GUID& networkType) {
    std::lock_guard lock(m_mutex);
    m_networkType = networkType;
    return S_OK;
}

HRESULT DvbsTuningSpace::get__NetworkType(GUID* networkType) {
    if (!networkType) return E_POINTER;
    std::lock_guard lock(m_mutex);
    *networkType = m_networkType;
    return S_OK;
}

HRESULT DvbsTuningSpace::CreateTuneRequest(std::shared_ptr<ITuneRequest>* request) {
    if (!request) return E_POINTER;
    *request = std::make_shared<DvbTuneRequest>(shared_from_this());
    return S_OK;
}

HRESULT DvbsTuningSpace::put_LowOscillator(std::int32_t frequencyKHz) {
    m_lowOscillator = frequencyKHz;
    return S_OK;
}

HRESULT DvbsTuningSpace::put_HighOscillator(std::int32_t frequencyKHz) {
    m_highOscillator = frequencyKHz;
    return S_OK;
}

HRESULT DvbsTuningSpace::put_LNBSwitch(std::int32_t frequencyKHz) {
    m_lnbSwitch = frequencyKHz;
    return S_OK;
}

HRESULT DvbsTuningSpace::get_LowOscillator(std::int32_t* frequencyKHz) {
    return CopyOut(m_lowOscillator, frequencyKHz);
}

HRESULT DvbsTuningSpace::get_HighOscillator(std::int32_t* frequencyKHz) {
    return CopyOut(m_highOscillator, frequencyKHz);
}

HRESULT DvbsTuningSpace::get_LNBSwitch(std::int32_t* frequencyKHz) {
    return CopyOut(m_lnbSwitch, frequencyKHz);
}
