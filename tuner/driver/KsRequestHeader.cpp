#include "tuner/driver/KsRequestHeader.h"

#include <algorithm>

#include "tuner/driver/ByteOrder.h"

std::array<std::uint8_t, kKsPropertySize> EncodeKsProperty(const KSPROPERTY& property) {
    std::array<std::uint8_t, kKsPropertySize> bytes{};
    const auto set = property.Set.ToWire();
    std::copy(set.begin(), set.end(), bytes.begin());
    PutUint32(&bytes[16], property.Id);
    PutUint32(&bytes[20], property.Flags);
    return bytes;
}

KSPROPERTY DecodeKsProperty(std::span<const std::uint8_t, kKsPropertySize> bytes) {
    return {GUID::FromWire(bytes.data()), GetUint32(&bytes[16]), GetUint32(&bytes[20])};
}

std::array<std::uint8_t, kKsNodePropertySize> EncodeKsNode(const KSP_NODE& property) {
    std::array<std::uint8_t, kKsNodePropertySize> bytes{};
    const auto header = EncodeKsProperty(property.Property);
    std::copy(header.begin(), header.end(), bytes.begin());
    PutUint32(&bytes[24], property.NodeId);
    PutUint32(&bytes[28], property.Reserved);
    return bytes;
}

KSP_NODE DecodeKsNode(std::span<const std::uint8_t, kKsNodePropertySize> bytes) {
    return {DecodeKsProperty(bytes.first<kKsPropertySize>()), GetUint32(&bytes[24]),
            GetUint32(&bytes[28])};
}
