#include "cardkit/RequestStage.h"

namespace cardkit {

HRESULT DispatchRequest(int tuner, std::span<const RequestRule> rules, std::uint32_t nodeId,
                        const void* header, std::uint32_t headerLength, void* data,
                        std::uint32_t dataLength, std::uint32_t* bytesReturned, RequestStage* stage,
                        const RequestHandler& handler) {
    if (!bytesReturned) return E_POINTER;
    *bytesReturned = 0;
    KsRequest request;
    if (const HRESULT hr = ParseRequestHeader(header, headerLength, &request); FAILED(hr))
        return hr;
    const RequestRule* rule = nullptr;
    if (const HRESULT hr = CheckRequest(request, rules, nodeId, data, dataLength, &rule);
        FAILED(hr))
        return hr;
    const std::span<std::uint8_t> bytes(static_cast<std::uint8_t*>(data), dataLength);
    const auto carryOut = [&](std::uint32_t* returned) {
        *returned = 0;
        return handler(request, bytes, returned);
    };
    std::uint32_t returned = 0;
    const HRESULT hr =
        stage ? stage->Handle(tuner, request, carryOut, &returned) : carryOut(&returned);
    if (SUCCEEDED(hr)) *bytesReturned = returned;
    return hr;
}

}  // namespace cardkit
