// Which delivery system and modulation to try for a transponder. The program's channel lists
// name none, so a tune tries DVB-S2 8PSK, DVB-S2 QPSK and DVB-S QPSK (those the frontend
// offers), and the one that locked is tried first the next time the same transponder is tuned.
//
// Not thread-safe: owned by one tuner driver, used under its lock.
#pragma once

#include <linux/dvb/frontend.h>

#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

namespace linuxdvb {

struct Modulation {
    fe_delivery_system system;
    fe_modulation modulation;
    friend bool operator==(const Modulation&, const Modulation&) = default;
};

// A transponder as the tuner reaches it: LNB source, polarisation, frequency (kHz), symbol rate.
struct TransponderKey {
    std::uint32_t lnbSource = 0;
    bool horizontal = false;
    std::uint64_t frequencyKHz = 0;
    std::uint32_t symbolRate = 0;
    friend auto operator<=>(const TransponderKey&, const TransponderKey&) = default;
};

class DeliveryTries {
public:
    DeliveryTries(bool dvbs, bool dvbs2);

    // The modulations to try for `key`, the remembered one first.
    std::vector<Modulation> For(const TransponderKey& key) const;
    void Remember(const TransponderKey& key, const Modulation& locked);
    // The plainest modulation offered (DVB-S QPSK when the frontend has it): spectrum steps.
    Modulation Plainest() const { return m_offered.back(); }

private:
    std::vector<Modulation> m_offered;
    std::map<TransponderKey, Modulation> m_locked;
};

}  // namespace linuxdvb
