#include "platform/FilterGraphManager.h"

#include <algorithm>
#include <cstdio>

#include "platform/Enumerators.h"
#include "platform/NullRenderer.h"

namespace {

std::vector<std::shared_ptr<IPin>> PinsOf(const std::shared_ptr<IBaseFilter>& filter) {
    std::vector<std::shared_ptr<IPin>> pins;
    std::shared_ptr<IEnumPins> pinEnum;
    if (FAILED(filter->EnumPins(&pinEnum)) || !pinEnum) return pins;
    std::shared_ptr<IPin> pin;
    while (pinEnum->Next(1, &pin, nullptr) == S_OK) pins.push_back(std::move(pin));
    return pins;
}

PIN_DIRECTION DirectionOf(const std::shared_ptr<IPin>& pin) {
    PIN_DIRECTION direction = PINDIR_INPUT;
    pin->QueryDirection(&direction);
    return direction;
}

std::shared_ptr<IBaseFilter> FilterOf(const std::shared_ptr<IPin>& pin) {
    PIN_INFO info;
    return pin && SUCCEEDED(pin->QueryPinInfo(&info)) ? info.pFilter : nullptr;
}

bool IsConnected(const std::shared_ptr<IPin>& pin) {
    std::shared_ptr<IPin> peer;
    return pin->ConnectedTo(&peer) == S_OK;
}

// The filters that feed `filter` through its connected input pins.
std::vector<std::shared_ptr<IBaseFilter>> UpstreamOf(const std::shared_ptr<IBaseFilter>& filter) {
    std::vector<std::shared_ptr<IBaseFilter>> upstream;
    for (const auto& pin : PinsOf(filter)) {
        std::shared_ptr<IPin> peer;
        if (DirectionOf(pin) != PINDIR_INPUT || pin->ConnectedTo(&peer) != S_OK) continue;
        if (auto feeder = FilterOf(peer)) upstream.push_back(std::move(feeder));
    }
    return upstream;
}

// Both ends of every connection of the filter's pins.
void DisconnectPins(const std::shared_ptr<IBaseFilter>& filter) {
    for (const auto& pin : PinsOf(filter)) {
        std::shared_ptr<IPin> peer;
        if (pin->ConnectedTo(&peer) == S_OK) peer->Disconnect();
        pin->Disconnect();
    }
}

}  // namespace

FilterGraphManager::~FilterGraphManager() {
    // No one can reach the manager any more; the lock only keeps the helpers' contract.
    std::lock_guard lock(m_mutex);
    StopAll();
    for (const auto& entry : m_filters) {
        DisconnectPins(entry.filter);
        entry.filter->JoinFilterGraph(nullptr, std::u16string());
    }
}

HRESULT FilterGraphManager::AddFilter(const std::shared_ptr<IBaseFilter>& filter,
                                      const std::u16string& name) {
    if (!filter) return E_POINTER;
    std::lock_guard lock(m_mutex);
    return AddFilterLocked(filter, name);
}

HRESULT FilterGraphManager::AddFilterLocked(const std::shared_ptr<IBaseFilter>& filter,
                                            const std::u16string& name) {
    if (Contains(filter)) return E_INVALIDARG;
    const std::u16string unique = UniqueName(name);
    const HRESULT hr = filter->JoinFilterGraph(shared_from_this(), unique);
    if (FAILED(hr)) return hr;
    m_filters.push_back({filter, unique});
    return unique == name ? S_OK : VFW_S_DUPLICATE_NAME;
}

std::u16string FilterGraphManager::UniqueName(const std::u16string& name) const {
    const auto taken = [this](const std::u16string& candidate) {
        return std::any_of(m_filters.begin(), m_filters.end(),
                           [&](const Entry& entry) { return entry.name == candidate; });
    };
    if (!name.empty() && !taken(name)) return name;
    for (unsigned n = 1;; ++n) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, " %04u", n);
        std::u16string candidate = name.empty() ? u"Filter" : name;
        for (const char* c = suffix; *c; ++c) candidate += static_cast<char16_t>(*c);
        if (!taken(candidate)) return candidate;
    }
}

HRESULT FilterGraphManager::RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) {
    if (!filter) return E_POINTER;
    Entry removed;  // released after the lock: this may be the filter's last owner
    std::lock_guard lock(m_mutex);
    const auto found = std::find_if(m_filters.begin(), m_filters.end(),
                                    [&](const Entry& entry) { return entry.filter == filter; });
    if (found == m_filters.end()) return VFW_E_NOT_FOUND;
    // A filter leaves a running graph stopped, so its own streaming thread is gone first.
    filter->Stop();
    DisconnectPins(filter);
    filter->JoinFilterGraph(nullptr, std::u16string());
    removed = std::move(*found);
    m_filters.erase(found);
    return S_OK;
}

HRESULT FilterGraphManager::EnumFilters(std::shared_ptr<IEnumFilters>* filters) {
    if (!filters) return E_POINTER;
    std::weak_ptr<FilterGraphManager> weak = weak_from_this();
    *filters = MakeFilterEnumerator([weak] {
        std::vector<std::shared_ptr<IBaseFilter>> list;
        if (auto self = weak.lock()) {
            std::lock_guard lock(self->m_mutex);
            for (const auto& entry : self->m_filters) list.push_back(entry.filter);
        }
        return list;
    });
    return S_OK;
}

HRESULT FilterGraphManager::ConnectDirect(const std::shared_ptr<IPin>& out,
                                          const std::shared_ptr<IPin>& in,
                                          const AM_MEDIA_TYPE* mt) {
    if (!out || !in) return E_POINTER;
    std::lock_guard lock(m_mutex);
    if (!ContainsPinOf(out) || !ContainsPinOf(in)) return VFW_E_NOT_IN_GRAPH;
    if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
    if (DirectionOf(out) != PINDIR_OUTPUT || DirectionOf(in) != PINDIR_INPUT)
        return VFW_E_INVALID_DIRECTION;
    if (IsConnected(out) || IsConnected(in)) return VFW_E_ALREADY_CONNECTED;
    return out->Connect(in, mt);
}

HRESULT FilterGraphManager::Render(const std::shared_ptr<IPin>& out) {
    if (!out) return E_POINTER;
    std::lock_guard lock(m_mutex);
    if (!ContainsPinOf(out)) return VFW_E_NOT_IN_GRAPH;
    if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
    if (DirectionOf(out) != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    if (IsConnected(out)) return VFW_E_ALREADY_CONNECTED;
    const auto renderer = std::make_shared<NullRenderer>();
    HRESULT hr = AddFilterLocked(renderer, u"Null Renderer");
    if (FAILED(hr)) return hr;
    hr = out->Connect(renderer->Pins().front(), nullptr);
    if (SUCCEEDED(hr)) return S_OK;
    renderer->JoinFilterGraph(nullptr, std::u16string());
    m_filters.pop_back();
    return VFW_E_CANNOT_RENDER;
}

HRESULT FilterGraphManager::Run() {
    std::lock_guard lock(m_mutex);
    if (m_state == State_Running) return S_OK;
    auto order = SourcesFirst();
    std::reverse(order.begin(), order.end());
    for (const auto& filter : order) {
        const HRESULT hr = filter->Run(0);
        if (FAILED(hr)) {
            StopAll();
            return hr;
        }
    }
    m_state = State_Running;
    return S_OK;
}

HRESULT FilterGraphManager::Stop() {
    std::lock_guard lock(m_mutex);
    StopAll();
    m_state = State_Stopped;
    return S_OK;
}

HRESULT FilterGraphManager::GetState(std::int32_t, OAFilterState* state) {
    if (!state) return E_POINTER;
    std::lock_guard lock(m_mutex);
    *state = m_state;  // changes complete before Run and Stop return: never intermediate
    return S_OK;
}

void FilterGraphManager::StopAll() {
    for (const auto& filter : SourcesFirst()) filter->Stop();
}

bool FilterGraphManager::Contains(const std::shared_ptr<IBaseFilter>& filter) const {
    return std::any_of(m_filters.begin(), m_filters.end(),
                       [&](const Entry& entry) { return entry.filter == filter; });
}

bool FilterGraphManager::ContainsPinOf(const std::shared_ptr<IPin>& pin) const {
    const auto filter = FilterOf(pin);
    return filter && Contains(filter);
}

// The filters ordered so that every filter comes after those feeding it; a filter in a loop
// (which no chain here builds) is taken in the order it was added.
std::vector<std::shared_ptr<IBaseFilter>> FilterGraphManager::SourcesFirst() const {
    const std::size_t count = m_filters.size();
    std::vector<std::vector<std::size_t>> feeders(count);
    for (std::size_t i = 0; i < count; ++i)
        for (const auto& upstream : UpstreamOf(m_filters[i].filter))
            for (std::size_t j = 0; j < count; ++j)
                if (m_filters[j].filter == upstream) feeders[i].push_back(j);

    std::vector<bool> placed(count, false);
    std::vector<std::shared_ptr<IBaseFilter>> order;
    while (order.size() < count) {
        std::size_t next = count;
        for (std::size_t i = 0; i < count && next == count; ++i) {
            const bool ready = std::all_of(feeders[i].begin(), feeders[i].end(),
                                           [&](std::size_t j) { return placed[j]; });
            if (!placed[i] && ready) next = i;
        }
        if (next == count)
            next = static_cast<std::size_t>(std::find(placed.begin(), placed.end(), false) -
                                            placed.begin());
        placed[next] = true;
        order.push_back(m_filters[next].filter);
    }
    return order;
}
