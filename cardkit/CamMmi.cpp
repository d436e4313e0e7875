#include "cardkit/CamMmi.h"

#include <algorithm>
#include <string_view>

namespace cardkit {

void CamMmi::Reset() {
    Show(std::nullopt);
}

void CamMmi::Open() {
    Show(CamPage::Main);
}

void CamMmi::Close() {
    Show(std::nullopt);
}

HRESULT CamMmi::Get(std::span<std::uint8_t, kMmiObjectSize> object) const {
    if (!m_page) return HRESULT_ERROR_NOT_READY;
    WriteMmiObject(m_object, m_objectId, object.data());
    return S_OK;
}

HRESULT CamMmi::CheckAnswer(std::uint32_t objectId, bool enquiry) const {
    if (!m_page) return HRESULT_ERROR_NOT_READY;
    if (objectId != m_objectId || (m_object.type == kMmiEnquiry) != enquiry)
        return HRESULT_ERROR_INVALID_PARAMETER;
    return S_OK;
}

HRESULT CamMmi::AnswerMenu(std::uint32_t objectId, std::uint32_t choice) {
    if (const HRESULT hr = CheckAnswer(objectId, false); FAILED(hr)) return hr;
    // Lists are read, not chosen from: only "back" answers them.
    const std::uint32_t choices = m_object.type == kMmiMenu ? m_object.ItemCount() : 0;
    if (choice > choices) return HRESULT_ERROR_INVALID_PARAMETER;
    Show(AfterMenuAnswer(*m_page, choice, m_settings));
    return S_OK;
}

std::size_t SelectorLength(std::span<const std::uint8_t> text) {
    if (text.empty() || text[0] == 0x00 || text[0] >= 0x20) return 0;
    const std::size_t length = text[0] == 0x10 ? 3 : text[0] == 0x1F ? 2 : 1;
    return std::min(length, text.size());
}

HRESULT CamMmi::AnswerEnquiry(std::uint32_t objectId, std::span<const std::uint8_t> answer) {
    if (const HRESULT hr = CheckAnswer(objectId, true); FAILED(hr)) return hr;
    const std::string_view pin = kCamPin;
    const bool cancelled = answer.empty();
    answer = answer.subspan(SelectorLength(answer));
    if (cancelled)
        Show(CamPage::Main);
    else if (std::equal(answer.begin(), answer.end(), pin.begin(), pin.end()))
        Show(CamPage::Parental);
    else
        Show(CamPage::PinWrong);
    return S_OK;
}

void CamMmi::Show(std::optional<CamPage> page) {
    m_page = page;
    if (!page) return;
    m_object = PageContent(*page, m_settings);
    m_objectId = ++m_lastObjectId;
}

}  // namespace cardkit
