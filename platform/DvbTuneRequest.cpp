#include "platform/DvbTuneRequest.h"

#include "platform/OutParameter.h"

HRESULT DvbTuneRequest::get_TuningSpace(std::shared_ptr<ITuningSpace>* space) {
    if (!space) return E_POINTER;
    *space = m_space;
    return S_OK;
}

HRESULT DvbTuneRequest::put_Locator(const std::shared_ptr<ILocator>& locator) {
    std::lock_guard lock(m_mutex);
    m_locator = locator;
    return S_OK;
}

HRESULT DvbTuneRequest::get_Locator(std::shared_ptr<ILocator>* locator) {
    if (!locator) return E_POINTER;
    std::lock_guard lock(m_mutex);
    *locator = m_locator;
    return S_OK;
}

HRESULT DvbTuneRequest::put_ONID(std::int32_t onid) {
    m_onid = onid;
    return S_OK;
}

HRESULT DvbTuneRequest::put_TSID(std::int32_t tsid) {
    m_tsid = tsid;
    return S_OK;
}

HRESULT DvbTuneRequest::put_SID(std::int32_t sid) {
    m_sid = sid;
    return S_OK;
}

HRESULT DvbTuneRequest::get_ONID(std::int32_t* onid) {
    return CopyOut(m_onid, onid);
}
HRESULT DvbTuneRequest::get_TSID(std::int32_t* tsid) {
    return CopyOut(m_tsid, tsid);
}
HRESULT DvbTuneRequest::get_SID(std::int32_t* sid) {
    return CopyOut(m_sid, sid);
}
