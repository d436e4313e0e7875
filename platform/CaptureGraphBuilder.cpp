#include "platform/CaptureGraphBuilder.h"

HRESULT CaptureGraphBuilder::SetFiltergraph(const std::shared_ptr<IGraphBuilder>& graph) {
    if (!graph) return E_POINTER;
    std::lock_guard lock(m_mutex);
    if (m_graph) return E_UNEXPECTED;  // a builder serves one graph
    m_graph = graph;
    return S_OK;
}
