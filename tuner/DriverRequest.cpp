#include "tuner/DriverRequest.h"

#include "tuner/driver/KsRequestHeader.h"

namespace {

void* DataOrNull(std::span<std::uint8_t> data) {
    return data.empty() ? nullptr : data.data();
}

std::uint32_t LengthOf(std::span<std::uint8_t> data) {
    return static_cast<std::uint32_t>(data.size());
}

}  // namespace

HRESULT SendNodeProperty(IKsControl& control, std::int32_t node, const GUID& set, std::uint32_t id,
                         std::uint32_t flags, std::span<std::uint8_t> data,
                         std::uint32_t* bytesReturned) {
    auto header = EncodeKsNode({{set, id, flags}, static_cast<std::uint32_t>(node), 0});
    *bytesReturned = 0;
    return control.KsProperty(header.data(), kKsNodePropertySize, DataOrNull(data), LengthOf(data),
                              bytesReturned);
}

HRESULT SendFilterProperty(IKsControl& control, const GUID& set, std::uint32_t id,
                           std::uint32_t flags, std::span<std::uint8_t> data,
                           std::uint32_t* bytesReturned) {
    auto header = EncodeKsProperty({set, id, flags});
    *bytesReturned = 0;
    return control.KsProperty(header.data(), kKsPropertySize, DataOrNull(data), LengthOf(data),
                              bytesReturned);
}

HRESULT SendMethod(IKsControl& control, const GUID& set, std::uint32_t id,
                   std::span<std::uint8_t> data, std::uint32_t* bytesReturned) {
    auto header = EncodeKsProperty({set, id, KSMETHOD_TYPE_SEND});
    *bytesReturned = 0;
    return control.KsMethod(header.data(), kKsPropertySize, DataOrNull(data), LengthOf(data),
                            bytesReturned);
}
