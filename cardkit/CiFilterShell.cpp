#include "cardkit/CiFilterShell.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "cardkit/ByteOrder.h"
#include "cardkit/CardIds.h"
#include "cardkit/CiRequestRules.h"
#include "cardkit/KsRequest.h"
#include "cardkit/LinkedPins.h"
#include "cardkit/MmiPage.h"

namespace cardkit {
namespace {

// The stream goes on unchanged: the module descrambles before the kernel hands it over.
class CiInputPin : public LinkInputPin {
public:
    CiInputPin(FilterBase& filter, int tuner, std::shared_ptr<PinBase>& output)
        : LinkInputPin(filter, u"CI In", {kCaptureCiLink, static_cast<std::uint32_t>(tuner), 0}),
          m_output(output) {}

protected:
    HRESULT OnReceive(const MediaBuffer& buffer) override { return m_output->Deliver(buffer); }

private:
    std::shared_ptr<PinBase>& m_output;
};

template <typename Handle>
HRESULT Checked(std::span<const RequestRule> rules, const void* header, std::uint32_t headerLength,
                const void* data, std::uint32_t dataLength, std::uint32_t* bytesReturned,
                const Handle& handle) {
    if (!bytesReturned) return E_POINTER;
    *bytesReturned = 0;
    KsRequest request;
    if (const HRESULT hr = ParseRequestHeader(header, headerLength, &request); FAILED(hr))
        return hr;
    const RequestRule* rule = nullptr;
    if (const HRESULT hr = CheckRequest(request, rules, 0, data, dataLength, &rule); FAILED(hr))
        return hr;
    return handle(request.id);
}

}  // namespace

CiFilterShell::CiFilterShell(std::shared_ptr<CiDriver> driver, int tuner)
    : m_driver(std::move(driver)) {
    AddPin(std::make_shared<CiInputPin>(*this, tuner, m_output));
    m_output = std::make_shared<PinBase>(*this, PINDIR_OUTPUT, u"CI Out");
    AddPin(m_output);
}

HRESULT CiFilterShell::KsProperty(const void* property, std::uint32_t propertyLength, void* data,
                                  std::uint32_t dataLength, std::uint32_t* bytesReturned) {
    return Checked(kCiPropertyRules, property, propertyLength, data, dataLength, bytesReturned,
                   [&](std::uint32_t id) {
                       return Property(id, static_cast<std::uint8_t*>(data), bytesReturned);
                   });
}

HRESULT CiFilterShell::KsMethod(const void* method, std::uint32_t methodLength, void* data,
                                std::uint32_t dataLength, std::uint32_t* bytesReturned) {
    return Checked(
        kCiMethodRules, method, methodLength, data, dataLength, bytesReturned, [&](std::uint32_t id) {
            return Method(id, static_cast<std::uint8_t*>(data), dataLength, bytesReturned);
        });
}

HRESULT CiFilterShell::Property(std::uint32_t id, std::uint8_t* data, std::uint32_t* bytes) {
    if (id == CARD_CI_CAM_NAME) {
        std::string name;
        if (const HRESULT hr = m_driver->CamName(&name); FAILED(hr)) return hr;
        std::memset(data, 0, kCamNameSize);
        std::memcpy(data, name.data(), std::min<std::size_t>(name.size(), kCamNameSize - 1));
        *bytes = kCamNameSize;
        return S_OK;
    }
    const std::uint32_t mode = ReadLe32(data);
    if (mode > kCiModeSingleTransponder) return HRESULT_ERROR_INVALID_PARAMETER;
    return m_driver->SetCiMode(mode);
}

HRESULT CiFilterShell::Method(std::uint32_t id, std::uint8_t* data, std::uint32_t length,
                              std::uint32_t* bytes) {
    switch (id) {
        case CARD_CI_RESET:
            return m_driver->Reset();
        case CARD_CI_MMI_OPEN:
            return m_driver->MmiOpen();
        case CARD_CI_MMI_CLOSE:
            return m_driver->MmiClose();
        case CARD_CI_MMI_GET: {
            const HRESULT hr =
                m_driver->MmiGet(std::span<std::uint8_t, kMmiObjectSize>(data, kMmiObjectSize));
            if (SUCCEEDED(hr)) *bytes = kMmiObjectSize;
            return hr;
        }
        case CARD_CI_MMI_MENU_ANSWER:
            return m_driver->MmiAnswerMenu(ReadLe32(data), ReadLe32(data + 4));
        default: {
            if (length < kEnquiryAnswerHeader) return HRESULT_ERROR_INSUFFICIENT_BUFFER;
            const std::uint32_t n = ReadLe32(data + 4);
            if (n != length - kEnquiryAnswerHeader) return HRESULT_ERROR_INVALID_PARAMETER;
            return m_driver->MmiAnswerEnquiry(ReadLe32(data), {data + 8, n});
        }
    }
}

}  // namespace cardkit
