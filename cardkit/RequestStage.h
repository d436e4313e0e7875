// What stands between a filter shell's checks and the request being carried out. A shell
// checks every request (header, set, id, flags, node, exact data length) and refuses a
// malformed one itself; a well-formed one goes through the device's stage, if it has one, which
// may wrap carrying it out (a test driver injects faults here; a real driver has no stage).
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "cardkit/KsRequest.h"
#include "platform/HResult.h"

namespace cardkit {

class RequestStage {
public:
    virtual ~RequestStage() = default;

    // Carries the request out and reports how many bytes of its data it returned.
    using CarryOut = std::function<HRESULT(std::uint32_t* bytesReturned)>;

    // One well-formed request for tuner `tuner` (a CI filter's requests count for its tuner).
    // Returns what the caller sees: normally carryOut's result and byte count. Called on the
    // requesting thread (any thread, several at once); `carryOut` must be called on it too, at
    // most once.
    virtual HRESULT Handle(int tuner, const KsRequest& request, const CarryOut& carryOut,
                           std::uint32_t* bytesReturned) = 0;
};

// What a shell does with a raw request for its `rules`: parse and check it (a KSP_NODE header
// must address `nodeId`), then carry it out through `handler`, via `stage` when there is one.
// `handler` gets the data buffer (exactly the rule's length, or as long as the caller gave for
// a variable-length request) and reports the bytes it returned.
using RequestHandler = std::function<HRESULT(const KsRequest& request, std::span<std::uint8_t> data,
                                             std::uint32_t* bytesReturned)>;
HRESULT DispatchRequest(int tuner, std::span<const RequestRule> rules, std::uint32_t nodeId,
                        const void* header, std::uint32_t headerLength, void* data,
                        std::uint32_t dataLength, std::uint32_t* bytesReturned, RequestStage* stage,
                        const RequestHandler& handler);

}  // namespace cardkit
