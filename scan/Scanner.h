// The blind scan of one LNB source through a tuner graph: four sweeps (vertical and horizontal,
// low and high band) with the graph's own spectrum steps, the carriers found in each, every
// candidate tuned (the estimated symbol rate, then the nearest common rates, DVB-S then DVB-S2),
// the PAT, SDT and NIT read on each transponder that locks, and the transponders the NIT names
// at the same orbital position followed (the network scan). A scan from known transponders skips
// the sweeps. Every wait is bounded; a candidate that never locks is kept in the report. A card
// that goes away (the graph's m_cardGone) ends the scan with that failure.
//
// Threads: Run on the thread that owns the graph, which must have its reports (m_notifyThreadId)
// going to that thread's ThreadMessageQueue. `stop` and `progress` are called on that thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ThreadMessageQueue.h"
#include "scan/TableReader.h"
#include "tuner/TunerGraph.h"
#include "tuner/WorkerMessages.h"

namespace scan {

inline constexpr std::int32_t kPolarisationH = 1;  // as TuneParameters takes it
inline constexpr std::int32_t kPolarisationV = 2;
inline constexpr std::int32_t kEitherSystem = -1;  // as TuneParameters takes it
inline constexpr std::int32_t kDvbS = 1;
inline constexpr std::int32_t kDvbS2 = 2;
inline constexpr std::size_t kSweeps = 4;  // V and H, low and high band

struct KnownCarrier {
    std::uint32_t frequencyKHz = 0;  // downlink
    std::int32_t polarisation = kPolarisationH;
    std::int32_t symbolRate = 0;  // ksymbol/s
};

struct ScanOptions {
    std::uint32_t lnbSource = 1;     // 1..4
    std::vector<KnownCarrier> from;  // not empty: the network scan from these alone
    std::chrono::milliseconds lockWait{1500};
    std::chrono::milliseconds tableWait{6000};  // for the PAT, SDT and NIT together
    std::chrono::milliseconds sweepWait{60000};
};

struct ScannedService {
    std::uint16_t sid = 0;
    std::string name;  // UTF-8; without an SDT entry: "Service SID"
    std::string provider;
    std::int32_t serviceType = -1;  // -1 when unknown
    bool scrambled = false;
};

struct ScannedTransponder {
    KnownCarrier carrier;  // as the NIT gives it where it names this stream, else as tuned
    std::int32_t system = kEitherSystem;  // kDvbS or kDvbS2 as the NIT says; else not known
    std::uint16_t onid = 0, tsid = 0;
    std::chrono::milliseconds lockTime{0};
    std::int32_t quality = 0;  // percent
    bool sdtMissing = false;   // services from the PAT alone
    std::vector<ScannedService> services;
};

struct ScanReport {
    std::vector<ScannedTransponder> transponders;  // in the order locked
    std::vector<KnownCarrier> unlocked;            // candidates that never locked
    std::size_t candidates = 0;                    // from the sweeps that finished, and the NIT's
    std::optional<std::size_t> sweepsFinished;     // of kSweeps; none in a scan from known ones
    std::string networkName;
    std::optional<std::int32_t> orbitalTenths;  // east positive, from the first NIT that gives it
    bool stopped = false;
    std::string failure;  // not empty: the card failed, e.g. it went away
    // Where the wall time went: the sweeps (their tunes included), the tunes of candidates
    // waiting for a lock, and the reading of the tables on the transponders that locked.
    std::chrono::steady_clock::duration sweepTime{}, tuneTime{}, tableTime{};
};

struct ScanProgress {
    std::string stage;  // "sweep V low", "candidate 3 of 40", ...
    std::size_t locked = 0, services = 0;
    const ScannedTransponder* justLocked = nullptr;
};

class Scanner {
public:
    Scanner(TunerGraph& graph, ThreadMessageQueue& reports, ScanOptions options,
            std::function<bool()> stop, std::function<void(const ScanProgress&)> progress);
    ScanReport Run();

private:
    std::vector<SpectrumPoint> Sweep(std::int32_t polarisation, bool highBand);
    std::vector<KnownCarrier> SweepCandidates();
    bool TuneAndSettle(const TuneParameters& tune, std::chrono::steady_clock::time_point until,
                       int times);
    bool TryLock(const KnownCarrier& carrier, std::int32_t system);
    void Scan(const KnownCarrier& candidate);
    void Record(const KnownCarrier& tuned, std::int32_t system, std::chrono::milliseconds lockTime);
    struct NetworkEntry {
        std::uint16_t onid = 0, tsid = 0;
        KnownCarrier carrier;
        std::int32_t system = kDvbS;
    };
    void Learn(const Nit& nit, std::uint16_t tsid);
    const NetworkEntry* NetworkEntryFor(std::uint16_t tsid) const;
    bool Known(const KnownCarrier& carrier) const;
    void Progress(const std::string& stage, const ScannedTransponder* locked = nullptr);
    bool Stopped();

    TunerGraph& m_graph;
    ThreadMessageQueue& m_reports;
    const ScanOptions m_options;
    const std::function<bool()> m_stop;
    const std::function<void(const ScanProgress&)> m_progress;
    std::unique_ptr<TableReader> m_tables;
    ScanReport m_report;
    // What the NITs name at the first NIT's orbital position: tried first where a candidate
    // lies, and tuned afterwards where none did (the network scan).
    std::vector<NetworkEntry> m_network;
    std::optional<std::int32_t> m_orbital;  // signed tenths, east positive, of the first NIT
    std::size_t m_services = 0;
};

}  // namespace scan
