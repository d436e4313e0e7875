// Building a tuner's graph and taking it apart again. Construction stops at the first mandatory
// step that fails and leaves whatever it built in place; the graph is registered for graph
// viewers in every case, and teardown copes with any point at which construction stopped.
#include "tuner/TunerGraph.h"

#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/RunningObjectTable.h"
#include "tuner/driver/CiMode.h"

namespace {

// Single transponder wins when both CI bits are set.
std::uint32_t CiModeFromFlags(std::uint32_t flags) {
    if (flags & GraphFlagCiSingleTransponder) return kCiModeSingleTransponder;
    if (flags & GraphFlagCiBypass) return kCiModeBypass;
    return kCiModeMtd;
}

// Removes the filters one by one, starting the walk again after every removal since the
// removal changes the list under the enumerator. A graph that refuses a removal would hand out
// the same filter for ever, so the walk ends there; releasing the graph frees the rest.
void RemoveEveryFilter(IFilterGraph& graph) {
    std::shared_ptr<IEnumFilters> filters;
    if (FAILED(graph.EnumFilters(&filters))) return;
    std::shared_ptr<IBaseFilter> filter;
    std::uint32_t fetched = 0;
    while (filters->Next(1, &filter, &fetched) == S_OK) {
        FILTER_INFO info;
        filter->QueryFilterInfo(&info);
        if (FAILED(graph.RemoveFilter(filter))) return;
        filter.reset();
        filters->Reset();
    }
}

}  // namespace

TunerGraph::TunerGraph(std::int32_t tunerNumber, std::uint32_t flags) {
    // The fields start empty (m_controlNode -1, m_command 0, m_notifyThreadId none).
    m_recording = (flags & GraphFlagRecord) ? 1 : 0;
    m_ciMode = CiModeFromFlags(flags);

    // A step that throws (an allocation, a component's factory) fails as a step that returns a
    // failure does: construction ends there, the graph is not ready, and teardown joins the
    // worker if it started.
    try {
        BuildChain(tunerNumber);
    } catch (...) {
    }
    try {
        RegisterGraph();
    } catch (...) {
    }
}

void TunerGraph::BuildChain(std::int32_t tunerNumber) {
    m_lock = std::make_unique<std::mutex>();
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                IGraphBuilder::iid, &m_graph)))
        return;
    if (FAILED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                ICaptureGraphBuilder2::iid, &m_captureBuilder)))
        return;
    m_captureBuilder->SetFiltergraph(m_graph);
    if (FAILED(query(m_graph, m_mediaControl)) || FAILED(query(m_graph, m_mediaEvent))) return;

    // Without an event or a thread no command is ever carried out, but the graph is still built.
    try {
        m_wakeEvent = std::make_unique<AutoResetEvent>();
        m_thread = std::thread(&TunerGraph::WorkerMain, this);
    } catch (...) {
    }

    if (FAILED(AddNetworkProvider())) return;
    if (FAILED(AddTunerFilter(tunerNumber))) return;
    if (FAILED(AddCaptureFilter())) return;
    AddCiFilter();

    const std::shared_ptr<IBaseFilter> upstream = m_ciFilter ? m_ciFilter : m_captureFilter;
    if (!m_recording) {
        if (FAILED(AddDemux(upstream))) return;
    } else {
        // The demultiplexer takes the tee's first output, so the writer gets the second.
        if (FAILED(AddTee(upstream))) return;
        if (FAILED(AddDemux(m_tee))) return;
        if (FAILED(AddWriter(m_tee))) return;
    }
    if (FAILED(RenderDemuxPins())) return;
    FindTunerControls();
    m_ready = 1;
}

TunerGraph::~TunerGraph() {
    std::shared_ptr<IRunningObjectTable> table;
    if (m_rotCookie != 0 && SUCCEEDED(GetRunningObjectTable(0, &table))) table->Revoke(m_rotCookie);

    // The lock is left before the join: the worker takes it to see the stop and keeps it while
    // it stops the graph, so nothing below is released while data still flows.
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(*m_lock);
            m_command = kCommandStop;
            m_wakeEvent->Set();
        }
        m_thread.join();
    }
    m_wakeEvent.reset();

    m_tuningSpace.reset();
    m_locator.reset();
    m_locator2.reset();
    m_tuner.reset();
    m_signalStatistics.store(nullptr);
    m_frequencyFilter.reset();
    m_tunerControl.reset();
    m_mediaControl.reset();
    m_mediaEvent.reset();

    if (m_graph) RemoveEveryFilter(*m_graph);

    m_captureBuilder.reset();
    m_graph.reset();
    m_demux.reset();
    m_tunerFilter.reset();
    m_captureFilter.reset();
    m_ciFilter.reset();

    m_lock.reset();
    // m_networkProvider, m_tee and m_writer go with the members; the writer's file is complete
    // once its last reference is gone.
}
