// Asks the module in the CI slot to descramble what one tuner receives. A card's driver never
// sees the tune request's service, so normally that is every programme of the tuned
// transponder: the tuner's stream leads through the PAT to each programme's PMT, and each goes
// to the module as a ca_pmt of its own (the host stack sends only those with CA descriptors of
// the module's systems, the first as the only one, the others added). When a tune does name a
// service, only that one is asked for. A new PMT version updates the module's entry; a
// programme that leaves the PAT, a tune elsewhere, a stopped graph and a mode that does not
// route the tuner through the module withdraw what was asked.
//
// The CI mode decides whether the tuner's stream passes the module: always in MTD mode, never
// in bypass, and in single-transponder mode only for the tuner that chose it last (shared
// between the tuners of the slot by SingleTransponderRoute).
//
// Thread-safety: SetCiMode, Tune, Stop, Start and RouteLost from any thread; OnPackets on the
// stream's thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "linuxdvb/SectionReader.h"
#include "linuxdvb/SingleTransponderRoute.h"
#include "linuxdvb/en50221/CamSlot.h"

namespace linuxdvb {

class ServiceDescrambler {
public:
    // `tuner` 1-based; `route` is shared by the descramblers of every tuner of the slot (by
    // default the tuner is the slot's only one).
    ServiceDescrambler(
        std::shared_ptr<en50221::CamSlot> slot, int tuner,
        std::shared_ptr<SingleTransponderRoute> route = std::make_shared<SingleTransponderRoute>());

    // 0 bypass, 1 MTD, 2 single transponder.
    void SetCiMode(std::uint32_t mode);
    // A new tune of the tuner; `sid` -1 when the tune request named no service.
    void Tune(std::int32_t sid);
    // The tuner's graph stopped: nothing of its stream passes the module until it runs again,
    // and what reaches OnPackets meanwhile (a block still on its way) is not looked at.
    void Stop();
    void Start();
    // Whole 188-byte packets of the tuner's stream.
    void OnPackets(std::span<const std::uint8_t> packets);
    // Another tuner took the single-transponder route (called by the route).
    void RouteLost();

    // The key a programme of `tuner` is known by in the host stack: one per (tuner, programme),
    // as one module serves every tuner of the card.
    static int Key(int tuner, std::uint16_t programme) { return tuner << 16 | programme; }

private:
    struct Programme {
        SectionReader pmt;
        std::optional<std::vector<std::uint8_t>> section;  // its current PMT, once seen
        std::optional<std::uint8_t> sentVersion;           // what the module was asked for
    };

    bool PassesModule() const;
    void OnPat(SectionReader::Section section);
    void OnPmt(std::uint16_t number, Programme& programme, SectionReader::Section section);
    void Send(std::uint16_t number, Programme& programme);
    void Withdraw(std::uint16_t number, Programme& programme);
    void WithdrawAll();
    // Forgets what the stream showed: after a tune or a stop the tables are read afresh.
    void Forget();

    const std::shared_ptr<en50221::CamSlot> m_slot;
    const int m_tuner;
    const std::shared_ptr<SingleTransponderRoute> m_route;

    std::mutex m_mutex;
    std::uint32_t m_mode = 0;
    std::int32_t m_sid = -1;
    bool m_stopped = false;
    SectionReader m_pat{0};
    // The PAT's programmes by section number, for PATs of several sections; their version.
    std::map<std::uint8_t, std::set<std::uint16_t>> m_patSections;
    std::optional<std::pair<std::uint8_t, std::uint8_t>> m_patVersion;  // version, last section
    std::map<std::uint16_t, Programme> m_programmes;                    // by programme number
};

}  // namespace linuxdvb
