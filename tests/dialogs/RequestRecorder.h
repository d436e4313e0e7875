// Watches what a tuner graph sends to the card's driver: recorders stand in front of the
// graph's tuner control and its CI filter, note every request with its data as sent, and pass it
// on to the simulated card unchanged. The card answers every request, except that a test may
// have the CI filter present an MMI object of its own making (objects the simulated CAM never
// shows) or refuse to present any, which the graph then reads through its usual request.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/FilterGraphInterfaces.h"
#include "platform/KsInterfaces.h"
#include "tuner/TunerGraph.h"

struct RecordedRequest {
    GUID set;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::vector<std::uint8_t> data;  // as the program sent it

    std::uint32_t Word(std::size_t index) const;  // little-endian 32-bit word of the data
};

using RequestLog = std::vector<RecordedRequest>;

// An MMI object as the driver returns it: id, type, count, text length, then the text (padded to
// 2048 bytes) and the unused last word. The text length word is the text's size unless given.
std::vector<std::uint8_t> MmiObjectBytes(std::uint32_t id, std::uint32_t type, std::uint32_t count,
                                         const std::vector<std::uint8_t>& text,
                                         std::optional<std::uint32_t> textLength = std::nullopt);

// For the graph's lifetime or shorter: the graph's own controls are put back on destruction.
class GraphRecorder {
public:
    explicit GraphRecorder(TunerGraph& graph);
    ~GraphRecorder();
    GraphRecorder(const GraphRecorder&) = delete;
    GraphRecorder& operator=(const GraphRecorder&) = delete;

    // The requests of one kind, oldest first.
    std::vector<RecordedRequest> Requests(const GUID& set, std::uint32_t id) const;
    void Clear() { m_log->clear(); }

    // From now on CARD_CI_MMI_GET answers with this 2068-byte object; nullopt hands the
    // request back to the card.
    void PresentObject(std::optional<std::vector<std::uint8_t>> object) {
        m_presented->object = std::move(object);
    }
    // From now on CARD_CI_MMI_GET fails with this code, whatever the card holds; nullopt hands
    // the request back to the card.
    void RefuseMmiGet(std::optional<HRESULT> code) { m_presented->refusal = code; }

    struct Presented {
        std::optional<std::vector<std::uint8_t>> object;
        std::optional<HRESULT> refusal;
    };

private:
    TunerGraph& m_graph;
    std::shared_ptr<RequestLog> m_log;
    std::shared_ptr<Presented> m_presented;
    std::shared_ptr<IKsControl> m_tunerControl;
    std::shared_ptr<IBaseFilter> m_ciFilter;
};
