// The capture graph builder (CLSID_CaptureGraphBuilder2): bound to a filter graph, which it
// keeps alive until it is released itself.
#pragma once

#include <memory>
#include <mutex>

#include "platform/FilterGraphInterfaces.h"

class CaptureGraphBuilder : public ICaptureGraphBuilder2 {
public:
    HRESULT SetFiltergraph(const std::shared_ptr<IGraphBuilder>& graph) override;

private:
    std::mutex m_mutex;
    std::shared_ptr<IGraphBuilder> m_graph;
};
