// A sink filter that hands each transport packet of a tuned graph to a callback: the scanner's
// window onto the stream the tuner delivers. It is attached to one of the graph's demultiplexer
// outputs (one that nothing uses, else the last one, whose renderer it replaces), so the stream
// it sees is the one every other part of the program sees.
//
// Threads: Attach on the thread that owns the graph, before the graph first runs. The callback
// runs on the graph's streaming thread, one packet at a time.
#pragma once

#include <functional>
#include <memory>
#include <span>

#include "platform/FilterBase.h"
#include "scan/SectionAssembler.h"

class TunerGraph;

namespace scan {

using PacketSink = std::function<void(std::span<const std::uint8_t, kPacketSize>)>;

class PacketTap : public FilterBase {
public:
    explicit PacketTap(PacketSink sink);

    // Adds a tap to `graph` and connects it to a demultiplexer output; null when the graph has
    // no demultiplexer or the connection is refused.
    static std::shared_ptr<PacketTap> Attach(TunerGraph& graph, PacketSink sink);

private:
    HRESULT Take(const MediaBuffer& buffer);

    const PacketSink m_sink;
};

}  // namespace scan
