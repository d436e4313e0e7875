// The renderer the graph manager puts behind a pin it is asked to render: it takes every buffer
// and drops it, counting what it saw.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/FilterBase.h"

class NullRenderer : public FilterBase {
public:
    NullRenderer();

    std::uint64_t BytesReceived() const { return m_bytes.load(); }

private:
    std::atomic<std::uint64_t> m_bytes{0};
};
