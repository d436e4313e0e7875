// How the driver reads and checks a kernel-streaming request before acting on it: the header
// (24-byte KSPROPERTY/KSMETHOD or 32-byte KSP_NODE), then the request's entry in the table of
// what the filter answers, then the data buffer. A request that fails any check is refused with
// the code a driver gives and changes nothing.
#pragma once

#include <cstdint>
#include <span>

#include "platform/Guid.h"
#include "platform/HResult.h"

namespace cardkit {

inline constexpr std::uint32_t kPlainHeaderLength = 24;
inline constexpr std::uint32_t kNodeHeaderLength = 32;
// A data length that the request states itself (checked by its handler).
inline constexpr std::uint32_t kVariableLength = 0xFFFFFFFFu;

struct KsRequest {
    GUID set;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t headerLength = 0;
    std::uint32_t nodeId = 0;    // KSP_NODE only
    std::uint32_t reserved = 0;  // KSP_NODE only
};

// One request that a filter answers.
struct RequestRule {
    GUID set;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t headerLength = kPlainHeaderLength;
    std::uint32_t dataLength = 0;  // exact, or kVariableLength
};

// Reads the header; only lengths 24 and 32 are headers.
HRESULT ParseRequestHeader(const void* header, std::uint32_t length, KsRequest* request);

// Finds the rule of `request` and checks header length, node, and data buffer against it.
// `nodeId` is the node a KSP_NODE request must address. On success `rule` points into `rules`.
HRESULT CheckRequest(const KsRequest& request, std::span<const RequestRule> rules,
                     std::uint32_t nodeId, const void* data, std::uint32_t dataLength,
                     const RequestRule** rule);

}  // namespace cardkit
