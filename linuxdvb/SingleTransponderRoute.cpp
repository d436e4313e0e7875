#include "linuxdvb/SingleTransponderRoute.h"

#include <utility>

namespace linuxdvb {

void SingleTransponderRoute::Watch(int tuner, Lost lost) {
    std::lock_guard lock(m_mutex);
    m_watchers[tuner] = std::move(lost);
}

void SingleTransponderRoute::Take(int tuner) {
    Lost tell;
    {
        std::lock_guard lock(m_mutex);
        const int previous = std::exchange(m_holder, tuner);
        if (previous == tuner || previous == 0) return;
        if (const auto it = m_watchers.find(previous); it != m_watchers.end()) tell = it->second;
    }
    // Outside the lock: the loser withdraws its requests, and may ask Holds while it does.
    if (tell) tell();
}

void SingleTransponderRoute::Leave(int tuner) {
    std::lock_guard lock(m_mutex);
    if (m_holder == tuner) m_holder = 0;
}

bool SingleTransponderRoute::Holds(int tuner) const {
    std::lock_guard lock(m_mutex);
    return m_holder == tuner;
}

}  // namespace linuxdvb
