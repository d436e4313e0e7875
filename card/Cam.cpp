#include "card/Cam.h"

namespace card {

Cam::Cam(bool present, std::string name) : m_present(present), m_name(std::move(name)) {}

HRESULT Cam::Reset() {
    if (!m_present) return HRESULT_ERROR_NOT_READY;
    m_mmi.Reset();
    ++m_restarts;
    return S_OK;
}

HRESULT Cam::Open() {
    if (!m_present) return HRESULT_ERROR_NOT_READY;
    m_mmi.Open();
    return S_OK;
}

HRESULT Cam::Close() {
    if (!m_present) return HRESULT_ERROR_NOT_READY;
    m_mmi.Close();
    return S_OK;
}

HRESULT Cam::Get(std::span<std::uint8_t, cardkit::kMmiObjectSize> object) const {
    if (!m_present) return HRESULT_ERROR_NOT_READY;
    return m_mmi.Get(object);
}

HRESULT Cam::AnswerMenu(std::uint32_t objectId, std::uint32_t choice) {
    if (!m_present) return HRESULT_ERROR_NOT_READY;
    return m_mmi.AnswerMenu(objectId, choice);
}

HRESULT Cam::AnswerEnquiry(std::uint32_t objectId, std::span<const std::uint8_t> answer) {
    if (!m_present) return HRESULT_ERROR_NOT_READY;
    return m_mmi.AnswerEnquiry(objectId, answer);
}

}  // namespace card
