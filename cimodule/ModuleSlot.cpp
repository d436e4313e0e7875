#include "ModuleSlot.h"

#include <linux/dvb/ca.h>

#include "ModuleWire.h"

namespace linuxdvb::en50221 {

using namespace wire;

int SimulatedModule::OnIoctl(unsigned long request, void* argument) {
    std::lock_guard lock(m_mutex);
    switch (request) {
        case CA_GET_CAP: {
            auto* caps = static_cast<ca_caps*>(argument);
            *caps = ca_caps{1, CA_CI_LINK, 0, 0};
            return 0;
        }
        case CA_GET_SLOT_INFO: {
            auto* info = static_cast<ca_slot_info*>(argument);
            if (info->num != 0) break;
            info->type = CA_CI_LINK;
            const bool ready = m_present && !m_starting && !m_notReadyOnce;
            m_notReadyOnce = false;
            info->flags =
                (m_present ? CA_CI_MODULE_PRESENT : 0u) | (ready ? CA_CI_MODULE_READY : 0u);
            return 0;
        }
        case CA_RESET:
            ++m_resets;
            if (m_quirks.strayAfterReset) {
                // What the old connection still had on its way: the kernel keeps it.
                const Bytes stray = {kDataLast, 0x09, kTcid, 0x90,    0x02, 0x00,  0x01, 0x9F,
                                     0x80,      0x10, 0x00,  kStatus, 0x02, kTcid, 0x80};
                ::send(m_moduleFd, Frame(stray).data(), stray.size() + 2, MSG_NOSIGNAL);
            }
            StartAfresh();
            m_notReadyOnce = true;
            return 0;
        default:
            break;
    }
    return -EINVAL;
}

void SimulatedModule::Restart() {
    std::lock_guard lock(m_mutex);
    StartAfresh();
    m_notReadyOnce = true;
}

void SimulatedModule::Remove() {
    std::lock_guard lock(m_mutex);
    PullOut();
}

void SimulatedModule::PullOut() {
    StartAfresh();
    m_present = false;
}

void SimulatedModule::Insert() {
    std::lock_guard lock(m_mutex);
    m_present = true;
    m_notReadyOnce = true;
}

void SimulatedModule::HoldDevice(bool held) {
    std::lock_guard lock(m_mutex);
    m_held = held;
}

bool SimulatedModule::Running() const {
    std::lock_guard lock(m_mutex);
    return m_present && !m_starting;
}

void SimulatedModule::KeepStarting(bool starting) {
    std::lock_guard lock(m_mutex);
    if (starting) StartAfresh();
    m_starting = starting;
}

bool SimulatedModule::Held() const {
    std::lock_guard lock(m_mutex);
    return m_held;
}

void SimulatedModule::LeaveStaleUnit() {
    const Bytes stale = Frame(Tpdu(kStatus, kTcid, Bytes{kDataAvailable}));
    ::send(m_moduleFd, stale.data(), stale.size(), MSG_NOSIGNAL);
}

}  // namespace linuxdvb::en50221
