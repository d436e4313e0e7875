// One tuner of a card as its driver publishes it: the tuner number, its topology, its driver,
// the stage its requests pass (if any), and the tuning settings that the network provider
// programs on its control nodes. Each bind of the tuner's device makes a new filter object, but
// the settings are the tuner's: every filter object bound for it shares this one object.
//
// Thread-safe: control nodes, requests and commits may come from several threads at once.
#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "cardkit/RequestStage.h"
#include "cardkit/TunerDriver.h"
#include "cardkit/TunerTopology.h"
#include "cardkit/TuningSettings.h"

namespace cardkit {

class TunerDevice {
public:
    // `tuner` is 1, 2, ...; `stage` may be empty.
    TunerDevice(int tuner, TunerTopology topology, std::shared_ptr<TunerDriver> driver,
                std::shared_ptr<RequestStage> stage = nullptr);

    int Tuner() const { return m_tuner; }
    const TunerTopology& Topology() const { return m_topology; }
    TunerDriver& Driver() const { return *m_driver; }
    RequestStage* Stage() const { return m_stage.get(); }

    void EditSettings(const std::function<void(TuningSettings&)>& edit);
    TuningSettings Settings() const;
    // Hands the settings as they are now to the driver's CommitTune.
    HRESULT Commit();

private:
    const int m_tuner;
    const TunerTopology m_topology;
    const std::shared_ptr<TunerDriver> m_driver;
    const std::shared_ptr<RequestStage> m_stage;
    mutable std::mutex m_mutex;
    TuningSettings m_settings;
};

}  // namespace cardkit
