// Which delivery system and modulation to try for a transponder, and in which order. Each
// wrong try costs a whole lock wait (about a second), so the likeliest goes first: the system
// the channel names (its modulations before any other system's), else the one that last locked
// on the transponder, else DVB-S2 8PSK, DVB-S2 QPSK and DVB-S QPSK. A named system that does not
// lock is still followed by the others (a list can be wrong). Only systems the frontend offers
// are tried. What locked is remembered for the program's life.
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

// A transponder as the tuner reaches it: LNB source, polarisation, downlink frequency (kHz).
struct TransponderKey {
    std::uint32_t lnbSource = 0;
    bool horizontal = false;
    std::uint64_t frequencyKHz = 0;
    friend auto operator<=>(const TransponderKey&, const TransponderKey&) = default;
};

class DeliveryTries {
public:
    DeliveryTries(bool dvbs, bool dvbs2);

    // The modulations to try for `key`: those of `named` first (SYS_UNDEFINED: none named),
    // else the remembered one first.
    std::vector<Modulation> For(const TransponderKey& key, fe_delivery_system named) const;
    void Remember(const TransponderKey& key, const Modulation& locked);
    // The plainest modulation offered (DVB-S QPSK when the frontend has it): spectrum steps.
    Modulation Plainest() const { return m_offered.back(); }

private:
    std::vector<Modulation> m_offered;
    std::map<TransponderKey, Modulation> m_locked;
};

}  // namespace linuxdvb
