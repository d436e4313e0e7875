// What the tuner graph tests build on: the stand-in classes (with a filter graph manager that
// notes what enters and leaves the graph) and a simulated card installed per case, plus ways to
// look at a built graph from outside.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "card/InstallSimulatedCard.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"
#include "platform/FilterGraphManager.h"
#include "tuner/TunerGraph.h"

namespace graph_test {

// The real graph manager, noting the names under which filters are added and the filters
// removed, and able to refuse removals.
class NotingGraph : public FilterGraphManager {
public:
    HRESULT AddFilter(const std::shared_ptr<IBaseFilter>& filter,
                      const std::u16string& name) override {
        {
            std::lock_guard lock(m_noteMutex);
            m_added.push_back(name);
        }
        return FilterGraphManager::AddFilter(filter, name);
    }
    HRESULT RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) override {
        if (refuseRemoval) return E_FAIL;
        {
            std::lock_guard lock(m_noteMutex);
            ++m_removed;
        }
        return FilterGraphManager::RemoveFilter(filter);
    }
    std::vector<std::u16string> Added() const {
        std::lock_guard lock(m_noteMutex);
        return m_added;
    }
    int Removed() const {
        std::lock_guard lock(m_noteMutex);
        return m_removed;
    }

    std::atomic<bool> refuseRemoval{false};

private:
    mutable std::mutex m_noteMutex;
    std::vector<std::u16string> m_added;
    int m_removed = 0;
};

class GraphOnCard : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterStandInClasses();
        RegisterComponentClass(CLSID_FilterGraph, [] { return std::make_shared<NotingGraph>(); });
    }
    void TearDown() override {
        ClearDevices();
        ClearComponentClasses();
    }

    std::shared_ptr<card::SimulatedCard> Install(card::CardConfig config = card::TestCardConfig()) {
        return card::InstallSimulatedCard(std::move(config));
    }

    static NotingGraph& Noted(const TunerGraph& graph) {
        return dynamic_cast<NotingGraph&>(*graph.m_graph);
    }
};

// The filters of the graph, by their names in the graph.
std::vector<std::u16string> FilterNames(const TunerGraph& graph);
// The filter that the n-th (from 1) output pin of `filter` is connected to, or none.
std::shared_ptr<IBaseFilter> Downstream(const std::shared_ptr<IBaseFilter>& filter, int output);
// The medium Ids that the first output pin of a tuner filter lists.
std::vector<std::uint32_t> OutputMediumIds(const std::shared_ptr<IBaseFilter>& filter);
// The names registered in the Running Object Table, as ASCII.
std::vector<std::string> RunningObjects();

}  // namespace graph_test
