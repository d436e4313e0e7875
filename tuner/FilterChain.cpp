// Connecting the graph's filters into a chain: the demultiplexer (and, when recording, the tee
// and the file writer) after the card's filters, and the demultiplexer's outputs rendered.
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "tuner/TunerGraph.h"

namespace {

// A direction query that fails counts as neither direction.
bool IsPin(IPin& pin, PIN_DIRECTION direction) {
    PIN_DIRECTION actual = PINDIR_INPUT;
    return SUCCEEDED(pin.QueryDirection(&actual)) && actual == direction;
}

// Creates the step's filter unless the field already holds one, and puts it into the graph.
HRESULT CreateInGraph(const std::shared_ptr<IGraphBuilder>& graph, const CLSID& clsid,
                      const std::u16string& name, std::shared_ptr<IBaseFilter>& field) {
    if (field) return S_OK;
    const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IBaseFilter::iid, &field);
    if (FAILED(hr)) return hr;
    if (!graph) return E_POINTER;
    return graph->AddFilter(field, name);
}

}  // namespace

// Every output pin of upstream is offered to the input pins of downstream in turn; pins that
// are already connected simply refuse.
HRESULT TunerGraph::ConnectFilters(const std::shared_ptr<IBaseFilter>& upstream,
                                   const std::shared_ptr<IBaseFilter>& downstream) {
    if (!upstream || !downstream) return E_INVALIDARG;
    if (!m_graph) return E_POINTER;
    std::shared_ptr<IEnumPins> outputs;
    std::shared_ptr<IEnumPins> inputs;
    HRESULT hr = upstream->EnumPins(&outputs);
    if (FAILED(hr)) return hr;
    hr = downstream->EnumPins(&inputs);
    if (FAILED(hr)) return hr;

    bool connected = false;
    std::shared_ptr<IPin> out;
    std::uint32_t fetched = 0;
    while (outputs->Next(1, &out, &fetched) == S_OK) {
        if (!IsPin(*out, PINDIR_OUTPUT)) continue;
        std::shared_ptr<IPin> in;
        while (inputs->Next(1, &in, &fetched) == S_OK) {
            if (!IsPin(*in, PINDIR_INPUT)) continue;
            if (SUCCEEDED(m_graph->ConnectDirect(out, in, nullptr))) {
                connected = true;
                break;
            }
        }
        hr = inputs->Reset();
        if (FAILED(hr)) return hr;
    }
    return connected ? S_OK : E_FAIL;
}

HRESULT TunerGraph::AddTee(const std::shared_ptr<IBaseFilter>& upstream) {
    if (!upstream) return E_FAIL;
    const HRESULT hr = CreateInGraph(m_graph, CLSID_InfTee, u"Demux", m_tee);
    if (FAILED(hr)) return hr;
    return ConnectFilters(upstream, m_tee);
}

HRESULT TunerGraph::AddDemux(const std::shared_ptr<IBaseFilter>& upstream) {
    if (!upstream) return E_FAIL;
    const HRESULT hr = CreateInGraph(m_graph, CLSID_MPEG2Demultiplexer, u"Demux", m_demux);
    if (FAILED(hr)) return hr;
    return ConnectFilters(upstream, m_demux);
}

HRESULT TunerGraph::AddWriter(const std::shared_ptr<IBaseFilter>& upstream) {
    if (!upstream) return E_FAIL;
    const HRESULT hr = CreateInGraph(m_graph, CLSID_FileWriter, u"Null", m_writer);
    if (FAILED(hr)) return hr;
    return ConnectFilters(upstream, m_writer);
}

// Which demultiplexer outputs get a renderer depends on the provider: with the generic one only
// the first, third and seventh output do.
HRESULT TunerGraph::RenderDemuxPins() {
    if (!m_demux) return E_FAIL;
    std::shared_ptr<IEnumPins> pins;
    const HRESULT hr = m_demux->EnumPins(&pins);
    if (FAILED(hr)) return hr;

    std::int32_t outputNumber = 0;
    std::shared_ptr<IPin> pin;
    std::uint32_t fetched = 0;
    while (pins->Next(1, &pin, &fetched) == S_OK) {
        if (!IsPin(*pin, PINDIR_OUTPUT)) continue;
        ++outputNumber;
        if (!m_genericProvider || outputNumber == 1 || outputNumber == 3 || outputNumber == 7) {
            m_graph->Render(pin);
        }
    }
    return S_OK;
}
