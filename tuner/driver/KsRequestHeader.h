// The headers that open every kernel-streaming request: KSPROPERTY (also used for methods as
// KSMETHOD) and KSP_NODE, which adds the node of the filter's topology that the request is for.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/Guid.h"

inline constexpr std::size_t kKsPropertySize = 24;
inline constexpr std::size_t kKsNodePropertySize = 32;

struct KSPROPERTY {
    GUID Set;
    std::uint32_t Id = 0;
    std::uint32_t Flags = 0;  // KSPROPERTY_TYPE_GET / _SET, or KSMETHOD_TYPE_SEND

    friend bool operator==(const KSPROPERTY&, const KSPROPERTY&) = default;
};
using KSMETHOD = KSPROPERTY;

struct KSP_NODE {
    KSPROPERTY Property;
    std::uint32_t NodeId = 0;
    std::uint32_t Reserved = 0;

    friend bool operator==(const KSP_NODE&, const KSP_NODE&) = default;
};

std::array<std::uint8_t, kKsPropertySize> EncodeKsProperty(const KSPROPERTY& property);
KSPROPERTY DecodeKsProperty(std::span<const std::uint8_t, kKsPropertySize> bytes);

std::array<std::uint8_t, kKsNodePropertySize> EncodeKsNode(const KSP_NODE& property);
KSP_NODE DecodeKsNode(std::span<const std::uint8_t, kKsNodePropertySize> bytes);
