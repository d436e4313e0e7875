#include "cardkit/CiFilterShell.h"

#include <algorithm>
#include <cstring>

#include "cardkit/ByteOrder.h"
#include "cardkit/CardIds.h"
#include "cardkit/CiRequestRules.h"
#include "cardkit/LinkedPins.h"
#include "cardkit/MmiPage.h"

namespace cardkit {
namespace {

HRESULT CiProperty(CiDriver& ci, const KsRequest& request, std::span<std::uint8_t> data,
                   std::uint32_t* bytes) {
    if (request.id == CARD_CI_CAM_NAME) {
        std::string name;
        if (const HRESULT hr = ci.CamName(&name); FAILED(hr)) return hr;
        std::memset(data.data(), 0, kCamNameSize);
        std::memcpy(data.data(), name.data(), std::min<std::size_t>(name.size(), kCamNameSize - 1));
        *bytes = kCamNameSize;
        return S_OK;
    }
    const std::uint32_t mode = ReadLe32(data.data());
    if (mode > kCiModeSingleTransponder) return HRESULT_ERROR_INVALID_PARAMETER;
    return ci.SetCiMode(mode);
}

HRESULT CiMethod(CiDriver& ci, const KsRequest& request, std::span<std::uint8_t> data,
                 std::uint32_t* bytes) {
    switch (request.id) {
        case CARD_CI_RESET:
            return ci.Reset();
        case CARD_CI_MMI_OPEN:
            return ci.MmiOpen();
        case CARD_CI_MMI_CLOSE:
            return ci.MmiClose();
        case CARD_CI_MMI_GET: {
            const HRESULT hr = ci.MmiGet(data.first<kMmiObjectSize>());
            if (SUCCEEDED(hr)) *bytes = kMmiObjectSize;
            return hr;
        }
        case CARD_CI_MMI_MENU_ANSWER:
            return ci.MmiAnswerMenu(ReadLe32(data.data()), ReadLe32(data.data() + 4));
        default: {
            if (data.size() < kEnquiryAnswerHeader) return HRESULT_ERROR_INSUFFICIENT_BUFFER;
            const std::uint32_t length = ReadLe32(data.data() + 4);
            if (length != data.size() - kEnquiryAnswerHeader)
                return HRESULT_ERROR_INVALID_PARAMETER;
            return ci.MmiAnswerEnquiry(ReadLe32(data.data()), data.subspan(8, length));
        }
    }
}

class CiInputPin : public LinkInputPin {
public:
    CiInputPin(CiFilterShell& filter, int tuner)
        : LinkInputPin(filter, u"CI In", {kCaptureCiLink, static_cast<std::uint32_t>(tuner), 0}),
          m_filter(filter) {}

protected:
    HRESULT OnReceive(const MediaBuffer& buffer) override { return m_filter.Pass(buffer); }

private:
    CiFilterShell& m_filter;
};

}  // namespace

CiFilterShell::CiFilterShell(std::shared_ptr<const CiDevice> device) : m_device(std::move(device)) {
    AddPin(std::make_shared<CiInputPin>(*this, m_device->tuner));
    m_output = std::make_shared<PinBase>(*this, PINDIR_OUTPUT, u"CI Out");
    AddPin(m_output);
}

CiFilterShell::CiFilterShell(std::shared_ptr<CiDriver> driver, int tuner)
    : CiFilterShell(std::make_shared<CiDevice>(CiDevice{tuner, std::move(driver), nullptr, {}})) {}

HRESULT CiFilterShell::KsProperty(const void* property, std::uint32_t propertyLength, void* data,
                                  std::uint32_t dataLength, std::uint32_t* bytesReturned) {
    return DispatchRequest(
        m_device->tuner, kCiPropertyRules, 0, property, propertyLength, data, dataLength,
        bytesReturned, m_device->stage.get(),
        [&](const KsRequest& request, std::span<std::uint8_t> bytes, std::uint32_t* returned) {
            return CiProperty(*m_device->driver, request, bytes, returned);
        });
}

HRESULT CiFilterShell::KsMethod(const void* method, std::uint32_t methodLength, void* data,
                                std::uint32_t dataLength, std::uint32_t* bytesReturned) {
    return DispatchRequest(
        m_device->tuner, kCiMethodRules, 0, method, methodLength, data, dataLength, bytesReturned,
        m_device->stage.get(),
        [&](const KsRequest& request, std::span<std::uint8_t> bytes, std::uint32_t* returned) {
            return CiMethod(*m_device->driver, request, bytes, returned);
        });
}

HRESULT CiFilterShell::Pass(const MediaBuffer& buffer) {
    if (!m_device->streamHook || !buffer) return m_output->Deliver(buffer);
    return m_output->Deliver(m_device->streamHook(buffer));
}

}  // namespace cardkit
