#include "scan/PacketTap.h"

#include "platform/InputPin.h"
#include "tuner/TunerGraph.h"

namespace scan {
namespace {

constexpr std::uint8_t kSyncByte = 0x47;

// The demultiplexer output the tap takes: the first one not connected, else the last one, freed
// from its renderer. Null when there is none.
std::shared_ptr<IPin> FreeDemuxOutput(IBaseFilter& demux) {
    std::shared_ptr<IEnumPins> pins;
    if (FAILED(demux.EnumPins(&pins))) return nullptr;
    std::shared_ptr<IPin> pin, last;
    std::uint32_t fetched = 0;
    while (pins->Next(1, &pin, &fetched) == S_OK) {
        PIN_DIRECTION direction = PINDIR_INPUT;
        if (FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) continue;
        std::shared_ptr<IPin> peer;
        if (pin->ConnectedTo(&peer) != S_OK) return pin;
        last = pin;
    }
    if (!last) return nullptr;
    std::shared_ptr<IPin> renderer;
    if (last->ConnectedTo(&renderer) == S_OK) renderer->Disconnect();
    last->Disconnect();
    return last;
}

}  // namespace

PacketTap::PacketTap(PacketSink sink) : m_sink(std::move(sink)) {
    AddPin(std::make_shared<InputPin>(*this, u"Tables",
                                      [this](const MediaBuffer& buffer) { return Take(buffer); }));
}

std::shared_ptr<PacketTap> PacketTap::Attach(TunerGraph& graph, PacketSink sink) {
    if (!graph.m_graph || !graph.m_demux) return nullptr;
    const std::shared_ptr<IPin> output = FreeDemuxOutput(*graph.m_demux);
    if (!output) return nullptr;
    auto tap = std::make_shared<PacketTap>(std::move(sink));
    if (FAILED(graph.m_graph->AddFilter(tap, u"Scanner tables"))) return nullptr;
    if (FAILED(graph.m_graph->ConnectDirect(output, tap->Pins().front(), nullptr))) {
        graph.m_graph->RemoveFilter(tap);
        return nullptr;
    }
    return tap;
}

// Buffers carry whole packets; a packet that lost its sync byte is passed over.
HRESULT PacketTap::Take(const MediaBuffer& buffer) {
    if (!buffer) return S_OK;
    const std::vector<std::uint8_t>& bytes = *buffer;
    for (std::size_t at = 0; at + kPacketSize <= bytes.size(); at += kPacketSize) {
        if (bytes[at] != kSyncByte) continue;
        m_sink(std::span<const std::uint8_t, kPacketSize>(&bytes[at], kPacketSize));
    }
    return S_OK;
}

}  // namespace scan
