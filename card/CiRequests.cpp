// The CI filter's kernel-streaming requests: the card's CI property set (CAM name, routing
// mode) and its MMI method set. Both CI filters reach the same CAM.
#include <algorithm>
#include <cstring>

#include "cardkit/ByteOrder.h"
#include "cardkit/CardIds.h"
#include "cardkit/CiRequestRules.h"
#include "card/SimulatedCard.h"
#include "platform/KsInterfaces.h"

namespace card {

using namespace cardkit;

HRESULT SimulatedCard::CiProperty(int tuner, const void* header, std::uint32_t headerLength,
                                  void* data, std::uint32_t dataLength,
                                  std::uint32_t* bytesReturned) {
    return Dispatch(tuner, kCiPropertyRules, 0, header, headerLength, data, dataLength,
                    bytesReturned,
                    [&](const KsRequest& request, std::uint8_t* bytes, std::uint32_t,
                        std::uint32_t* returned) {
                        return HandleCiProperty(tuner, request, bytes, returned);
                    });
}

HRESULT SimulatedCard::CiMethod(int tuner, const void* header, std::uint32_t headerLength,
                                void* data, std::uint32_t dataLength,
                                std::uint32_t* bytesReturned) {
    return Dispatch(tuner, kCiMethodRules, 0, header, headerLength, data, dataLength,
                    bytesReturned,
                    [&](const KsRequest& request, std::uint8_t* bytes, std::uint32_t length,
                        std::uint32_t* returned) {
                        return HandleCiMethod(request, bytes, length, returned);
                    });
}

HRESULT SimulatedCard::HandleCiProperty(int tuner, const KsRequest& request,
                                        std::uint8_t* data, std::uint32_t* bytes) {
    std::lock_guard lock(m_mutex);
    if (request.id == CARD_CI_CAM_NAME) {
        if (!m_cam.Present()) return HRESULT_ERROR_NOT_READY;
        std::memset(data, 0, kCamNameSize);
        const auto& name = m_cam.Name();
        std::memcpy(data, name.data(), std::min<std::size_t>(name.size(), kCamNameSize - 1));
        *bytes = kCamNameSize;
        return S_OK;
    }
    const std::uint32_t mode = ReadLe32(data);
    if (mode > kCiModeSingleTransponder) return HRESULT_ERROR_INVALID_PARAMETER;
    At(tuner).ciMode = mode;
    // In single-transponder mode the CAM serves the tuner that asked for it last.
    if (mode == kCiModeSingleTransponder)
        m_singleTransponderTuner = tuner;
    else if (m_singleTransponderTuner == tuner)
        m_singleTransponderTuner = 0;
    return S_OK;
}

HRESULT SimulatedCard::HandleCiMethod(const KsRequest& request, std::uint8_t* data,
                                      std::uint32_t dataLength, std::uint32_t* bytes) {
    std::lock_guard lock(m_mutex);
    switch (request.id) {
        case CARD_CI_RESET:
            return m_cam.Reset();
        case CARD_CI_MMI_OPEN:
            return m_cam.Open();
        case CARD_CI_MMI_CLOSE:
            return m_cam.Close();
        case CARD_CI_MMI_GET: {
            const HRESULT hr = m_cam.Get(std::span<std::uint8_t, kMmiObjectSize>(data, kMmiObjectSize));
            if (SUCCEEDED(hr)) *bytes = kMmiObjectSize;
            return hr;
        }
        case CARD_CI_MMI_MENU_ANSWER:
            return m_cam.AnswerMenu(ReadLe32(data), ReadLe32(data + 4));
        default: {
            if (dataLength < kEnquiryAnswerHeader) return HRESULT_ERROR_INSUFFICIENT_BUFFER;
            const std::uint32_t length = ReadLe32(data + 4);
            if (length != dataLength - kEnquiryAnswerHeader) return HRESULT_ERROR_INVALID_PARAMETER;
            return m_cam.AnswerEnquiry(ReadLe32(data), {data + 8, length});
        }
    }
}

}  // namespace card
