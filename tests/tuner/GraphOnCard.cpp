#include "GraphOnCard.h"

#include "platform/KsInterfaces.h"
#include "platform/RunningObjectTable.h"

namespace graph_test {

namespace {

std::vector<std::shared_ptr<IPin>> OutputPins(const std::shared_ptr<IBaseFilter>& filter) {
    std::vector<std::shared_ptr<IPin>> outputs;
    std::shared_ptr<IEnumPins> pins;
    if (!filter || FAILED(filter->EnumPins(&pins))) return outputs;
    std::shared_ptr<IPin> pin;
    std::uint32_t fetched = 0;
    while (pins->Next(1, &pin, &fetched) == S_OK) {
        PIN_DIRECTION direction = PINDIR_INPUT;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_OUTPUT)
            outputs.push_back(pin);
    }
    return outputs;
}

}  // namespace

std::vector<std::u16string> FilterNames(const TunerGraph& graph) {
    std::vector<std::u16string> names;
    std::shared_ptr<IEnumFilters> filters;
    if (!graph.m_graph || FAILED(graph.m_graph->EnumFilters(&filters))) return names;
    std::shared_ptr<IBaseFilter> filter;
    std::uint32_t fetched = 0;
    while (filters->Next(1, &filter, &fetched) == S_OK) {
        FILTER_INFO info;
        filter->QueryFilterInfo(&info);
        names.push_back(info.achName);
    }
    return names;
}

std::shared_ptr<IBaseFilter> Downstream(const std::shared_ptr<IBaseFilter>& filter, int output) {
    const auto outputs = OutputPins(filter);
    if (output < 1 || static_cast<std::size_t>(output) > outputs.size()) return nullptr;
    std::shared_ptr<IPin> peer;
    if (FAILED(outputs[output - 1]->ConnectedTo(&peer))) return nullptr;
    PIN_INFO info;
    peer->QueryPinInfo(&info);
    return info.pFilter;
}

std::vector<std::uint32_t> OutputMediumIds(const std::shared_ptr<IBaseFilter>& filter) {
    std::vector<std::uint32_t> ids;
    const auto outputs = OutputPins(filter);
    std::vector<KSPIN_MEDIUM> mediums;
    if (outputs.empty()) return ids;
    if (auto ksPin = query<IKsPin>(outputs.front());
        ksPin && SUCCEEDED(ksPin->KsQueryMediums(&mediums))) {
        for (const auto& medium : mediums) ids.push_back(medium.Id);
    }
    return ids;
}

std::vector<std::string> RunningObjects() {
    std::vector<std::string> names;
    for (const auto& name : RunningObjectNames()) names.emplace_back(name.begin(), name.end());
    return names;
}

}  // namespace graph_test
