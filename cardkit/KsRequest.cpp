#include "cardkit/KsRequest.h"

#include <algorithm>

#include "cardkit/ByteOrder.h"

namespace cardkit {

HRESULT ParseRequestHeader(const void* header, std::uint32_t length, KsRequest* request) {
    if (!header || !request) return HRESULT_ERROR_INVALID_PARAMETER;
    if (length != kPlainHeaderLength && length != kNodeHeaderLength)
        return HRESULT_ERROR_INVALID_PARAMETER;
    const auto* bytes = static_cast<const std::uint8_t*>(header);
    KsRequest parsed;
    parsed.set = GUID::FromWire(bytes);
    parsed.id = ReadLe32(bytes + 16);
    parsed.flags = ReadLe32(bytes + 20);
    parsed.headerLength = length;
    if (length == kNodeHeaderLength) {
        parsed.nodeId = ReadLe32(bytes + 24);
        parsed.reserved = ReadLe32(bytes + 28);
    }
    *request = parsed;
    return S_OK;
}

HRESULT CheckRequest(const KsRequest& request, std::span<const RequestRule> rules,
                     std::uint32_t nodeId, const void* data, std::uint32_t dataLength,
                     const RequestRule** rule) {
    const auto inSet = [&](const RequestRule& r) { return r.set == request.set; };
    const auto sameId = [&](const RequestRule& r) { return inSet(r) && r.id == request.id; };
    const auto exact = [&](const RequestRule& r) { return sameId(r) && r.flags == request.flags; };
    if (std::none_of(rules.begin(), rules.end(), inSet)) return HRESULT_ERROR_SET_NOT_FOUND;
    if (std::none_of(rules.begin(), rules.end(), sameId)) return HRESULT_ERROR_NOT_FOUND;
    const auto found = std::find_if(rules.begin(), rules.end(), exact);
    if (found == rules.end()) return HRESULT_ERROR_INVALID_PARAMETER;
    if (request.headerLength != found->headerLength) return HRESULT_ERROR_INVALID_PARAMETER;
    if (found->headerLength == kNodeHeaderLength &&
        (request.nodeId != nodeId || request.reserved != 0))
        return HRESULT_ERROR_INVALID_PARAMETER;
    if (!data && dataLength != 0) return HRESULT_ERROR_INVALID_PARAMETER;
    if (found->dataLength != kVariableLength) {
        if (dataLength < found->dataLength) return HRESULT_ERROR_INSUFFICIENT_BUFFER;
        if (dataLength > found->dataLength) return HRESULT_ERROR_INVALID_PARAMETER;
    }
    *rule = &*found;
    return S_OK;
}

}  // namespace cardkit
