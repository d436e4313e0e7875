#include "linuxdvb/DeliveryTries.h"

#include <algorithm>

namespace linuxdvb {

DeliveryTries::DeliveryTries(bool dvbs, bool dvbs2) {
    if (dvbs2) {
        m_offered.push_back({SYS_DVBS2, PSK_8});
        m_offered.push_back({SYS_DVBS2, QPSK});
    }
    if (dvbs) m_offered.push_back({SYS_DVBS, QPSK});
}

std::vector<Modulation> DeliveryTries::For(const TransponderKey& key) const {
    std::vector<Modulation> tries = m_offered;
    if (const auto found = m_locked.find(key); found != m_locked.end()) {
        const auto at = std::find(tries.begin(), tries.end(), found->second);
        if (at != tries.end()) std::rotate(tries.begin(), at, at + 1);
    }
    return tries;
}

void DeliveryTries::Remember(const TransponderKey& key, const Modulation& locked) {
    m_locked[key] = locked;
}

}  // namespace linuxdvb
