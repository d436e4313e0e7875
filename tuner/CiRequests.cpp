// The CAM in the CI slot: reset and the man-machine interface dialogue, as methods of the CI
// filter. Called on the user-interface thread only; a new IKsControl is taken for every request
// and let go when it returns.
#include <algorithm>

#include "tuner/DriverRequest.h"
#include "tuner/TunerGraph.h"
#include "tuner/driver/MmiEnquiryAnswer.h"
#include "tuner/driver/MmiMenuAnswer.h"
#include "tuner/driver/MmiObject.h"
#include "tuner/driver/PropertySets.h"

static_assert(kMmiTextSize == kMmiObjectTextSize);

namespace {

HRESULT SendCiMethod(const std::shared_ptr<IBaseFilter>& ciFilter, std::uint32_t id,
                     std::span<std::uint8_t> data) {
    std::shared_ptr<IKsControl> control;
    const HRESULT hr = query(ciFilter, control);
    if (hr != S_OK) return hr;
    std::uint32_t returned = 0;
    return SendMethod(*control, KSMETHODSETID_CardCiMmi, id, data, &returned);
}

}  // namespace

HRESULT TunerGraph::CamReset() {
    if (!m_ciFilter) return E_FAIL;
    return SendCiMethod(m_ciFilter, CARD_CI_RESET, {});
}

HRESULT TunerGraph::MmiOpen() {
    if (!m_ciFilter) return E_FAIL;
    return SendCiMethod(m_ciFilter, CARD_CI_MMI_OPEN, {});
}

HRESULT TunerGraph::MmiClose() {
    if (!m_ciFilter) return E_FAIL;
    return SendCiMethod(m_ciFilter, CARD_CI_MMI_CLOSE, {});
}

// A failed request copies nothing. A text length beyond the text area is cut to it, so the
// caller's 2048 bytes are never overrun whatever the driver reports.
HRESULT TunerGraph::MmiGet(std::uint32_t* objectId, std::uint32_t* type, std::uint32_t* count,
                           std::uint32_t* textLength, std::uint8_t* text) {
    if (!m_ciFilter) return E_FAIL;
    if (!objectId || !type || !count || !textLength || !text) return E_INVALIDARG;
    std::vector<std::uint8_t> buffer(kMmiObjectSize);
    const HRESULT hr = SendCiMethod(m_ciFilter, CARD_CI_MMI_GET, buffer);
    if (FAILED(hr)) return hr;
    const MmiObject object = DecodeMmiObject(
        std::span<const std::uint8_t, kMmiObjectSize>(buffer.data(), kMmiObjectSize));
    const std::uint32_t length =
        std::min(object.textLength, static_cast<std::uint32_t>(kMmiObjectTextSize));
    *objectId = object.objectId;
    *type = object.type;
    *count = object.count;
    *textLength = length;
    std::copy_n(object.text.begin(), length, text);
    return hr;
}

HRESULT TunerGraph::MmiAnswerMenu(std::uint32_t objectId, std::uint32_t choice) {
    if (!m_ciFilter) return E_FAIL;
    auto data = EncodeMmiMenuAnswer({objectId, choice});
    return SendCiMethod(m_ciFilter, CARD_CI_MMI_MENU_ANSWER, data);
}

// n = 0 cancels the enquiry.
HRESULT TunerGraph::MmiAnswerEnquiry(std::uint32_t objectId, const std::uint8_t* answer,
                                     std::uint32_t n) {
    if (!m_ciFilter) return E_FAIL;
    if (n > 0xFFFFFFFFu - kMmiEnquiryAnswerOverhead || (n > 0 && !answer)) return E_INVALIDARG;
    std::vector<std::uint8_t> data =
        EncodeMmiEnquiryAnswer({objectId, std::vector<std::uint8_t>(answer, answer + n)});
    return SendCiMethod(m_ciFilter, CARD_CI_MMI_ENQUIRY_ANSWER, data);
}
