// Where a capture filter shell's transport stream comes from: while the graph runs, the source
// delivers buffers of whole 188-byte packets through `deliver` on a thread of its own.
//
// Start and Stop are called by the capture filter (from whatever thread runs or stops the
// graph, never both at once); Stop returns only when the source's thread has left `deliver`
// for good.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/FilterGraphInterfaces.h"

namespace cardkit {

class StreamSource {
public:
    virtual ~StreamSource() = default;

    using Deliver = std::function<HRESULT(const MediaBuffer& buffer)>;
    virtual void Start(Deliver deliver) = 0;
    virtual void Stop() = 0;
    // Packets lost because the program did not take them in time.
    virtual std::uint64_t Overruns() const = 0;
};

}  // namespace cardkit
