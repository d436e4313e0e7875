#include "cardkit/TunerDevice.h"

namespace cardkit {

TunerDevice::TunerDevice(int tuner, TunerTopology topology, std::shared_ptr<TunerDriver> driver,
                         std::shared_ptr<RequestStage> stage)
    : m_tuner(tuner),
      m_topology(std::move(topology)),
      m_driver(std::move(driver)),
      m_stage(std::move(stage)) {}

void TunerDevice::EditSettings(const std::function<void(TuningSettings&)>& edit) {
    std::lock_guard lock(m_mutex);
    edit(m_settings);
}

TuningSettings TunerDevice::Settings() const {
    std::lock_guard lock(m_mutex);
    return m_settings;
}

HRESULT TunerDevice::Commit() {
    return m_driver->CommitTune(Settings());
}

}  // namespace cardkit
