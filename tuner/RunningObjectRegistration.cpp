// The graph's entry in the Running Object Table, under which a graph viewer finds it.
#include <cinttypes>
#include <cstdio>

#include "platform/RunningObjectTable.h"
#include "tuner/TunerGraph.h"

namespace {

constexpr std::size_t kItemNameChars = 256;

// "FilterGraph <pointer> pid <process id>", the pointer in fixed-width upper-case hex as a
// graph viewer expects it.
std::u16string GraphItemName(const void* graph, std::uint32_t processId) {
    char text[kItemNameChars];
    std::snprintf(text, sizeof text, "FilterGraph %0*" PRIXPTR " pid %08x",
                  static_cast<int>(2 * sizeof(void*)), reinterpret_cast<std::uintptr_t>(graph),
                  processId);
    return {text, text + std::char_traits<char>::length(text)};
}

}  // namespace

HRESULT TunerGraph::RegisterGraph() {
    std::shared_ptr<IRunningObjectTable> table;
    if (!m_graph || FAILED(GetRunningObjectTable(0, &table))) return E_FAIL;
    const std::u16string name = GraphItemName(m_graph.get(), GetCurrentProcessId());
    std::shared_ptr<IItemMoniker> moniker;
    HRESULT hr = CreateItemMoniker(u"!", name, &moniker);
    if (SUCCEEDED(hr))
        hr = table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, m_graph, moniker, &m_rotCookie);
    return hr;
}
