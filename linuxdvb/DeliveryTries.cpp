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

std::vector<Modulation> DeliveryTries::For(const TransponderKey& key,
                                           fe_delivery_system named) const {
    std::vector<Modulation> tries = m_offered;
    if (const auto found = m_locked.find(key); found != m_locked.end()) {
        const auto at = std::find(tries.begin(), tries.end(), found->second);
        if (at != tries.end()) std::rotate(tries.begin(), at, at + 1);
    }
    // The list's word beats memory: what locked before may be another stream's system.
    if (named != SYS_UNDEFINED)
        std::stable_partition(tries.begin(), tries.end(),
                              [named](const Modulation& m) { return m.system == named; });
    return tries;
}

void DeliveryTries::Remember(const TransponderKey& key, const Modulation& locked) {
    m_locked[key] = locked;
}

}  // namespace linuxdvb
