// The filter graph manager (CLSID_FilterGraph): holds the filters under unique names, connects
// their pins, renders an output pin into a null renderer, and runs and stops them together.
//
// Filters know their graph only weakly, so the manager lives as long as its users hold it. Run
// starts the filters from the renderers up to the sources, so every filter is ready before data
// reaches it; Stop stops them from the sources down, so each source has joined its streaming
// thread before the filters it feeds stop. All operations are thread-safe.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FilterGraphInterfaces.h"

class FilterGraphManager : public IGraphBuilder,
                           public IMediaControl,
                           public IMediaEvent,
                           public std::enable_shared_from_this<FilterGraphManager> {
public:
    // Stops every filter, disconnects every pin and lets the filters go.
    ~FilterGraphManager() override;

    HRESULT AddFilter(const std::shared_ptr<IBaseFilter>& filter,
                      const std::u16string& name) override;
    HRESULT RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) override;
    HRESULT EnumFilters(std::shared_ptr<IEnumFilters>* filters) override;
    HRESULT ConnectDirect(const std::shared_ptr<IPin>& out, const std::shared_ptr<IPin>& in,
                          const AM_MEDIA_TYPE* mt) override;
    HRESULT Render(const std::shared_ptr<IPin>& out) override;

    HRESULT Run() override;
    HRESULT Stop() override;
    HRESULT GetState(std::int32_t msTimeout, OAFilterState* state) override;

private:
    struct Entry {
        std::shared_ptr<IBaseFilter> filter;
        std::u16string name;
    };

    // These expect m_mutex to be held.
    HRESULT AddFilterLocked(const std::shared_ptr<IBaseFilter>& filter, const std::u16string& name);
    std::u16string UniqueName(const std::u16string& name) const;
    bool Contains(const std::shared_ptr<IBaseFilter>& filter) const;
    bool ContainsPinOf(const std::shared_ptr<IPin>& pin) const;
    std::vector<std::shared_ptr<IBaseFilter>> SourcesFirst() const;
    void StopAll();

    mutable std::mutex m_mutex;
    std::vector<Entry> m_filters;
    FILTER_STATE m_state = State_Stopped;
};
