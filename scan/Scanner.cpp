#include "scan/Scanner.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "scan/CarrierFinder.h"
#include "scan/SymbolRateLadder.h"
#include "scan/TableReader.h"
#include "tuner/WorkerMessages.h"

namespace scan {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The universal LNB the program's sweep assumes: the band's local oscillators, and a downlink in
// each band that a tune there sets the LNB to (no carrier needs to be there).
constexpr double kLowOscillatorMHz = 9750.0;
constexpr double kHighOscillatorMHz = 10600.0;
constexpr std::uint32_t kLowBandTuneKHz = 10'700'000;
constexpr std::uint32_t kHighBandTuneKHz = 12'000'000;
constexpr std::int32_t kSweepTuneRate = 27'500;
constexpr auto kPoll = 10ms;

// Whether two carriers of one polarisation are one: within half the wider one's rate.
bool SameCarrier(const KnownCarrier& a, const KnownCarrier& b) {
    const double halfKHz = std::max(a.symbolRate, b.symbolRate) / 2.0;
    return a.polarisation == b.polarisation &&
           std::abs(static_cast<double>(a.frequencyKHz) - b.frequencyKHz) < halfKHz;
}

// Whether a tuner tuned to `tuned` may have locked `carrier`: the same polarisation, and within
// half the wider rate and a demodulator's 2 MHz pull-in.
bool WithinPullIn(const KnownCarrier& carrier, const KnownCarrier& tuned) {
    const double reachKHz = std::max(carrier.symbolRate, tuned.symbolRate) / 2.0 + 2000.0;
    return carrier.polarisation == tuned.polarisation &&
           std::abs(static_cast<double>(carrier.frequencyKHz) - tuned.frequencyKHz) <= reachKHz;
}

std::int32_t SignedTenths(const SatelliteDelivery& d) {
    return d.east ? d.orbitalTenths : -static_cast<std::int32_t>(d.orbitalTenths);
}

std::optional<KnownCarrier> CarrierOf(const SatelliteDelivery& d) {
    if (d.polarisation != DeliveryPolarisation::Horizontal &&
        d.polarisation != DeliveryPolarisation::Vertical)
        return std::nullopt;  // a linear LNB does not receive circular carriers
    return KnownCarrier{
        d.frequencyKHz,
        d.polarisation == DeliveryPolarisation::Vertical ? kPolarisationV : kPolarisationH,
        static_cast<std::int32_t>(d.symbolRate / 1000)};
}

ScannedService ServiceOf(std::uint16_t sid, const std::optional<Sdt>& sdt) {
    ScannedService service;
    service.sid = sid;
    service.name = "Service " + std::to_string(sid);
    if (!sdt) return service;
    for (const SdtService& s : sdt->services) {
        if (s.sid != sid) continue;
        if (!s.name.empty()) service.name = s.name;
        service.provider = s.provider;
        service.serviceType = s.serviceType ? *s.serviceType : -1;
        service.scrambled = s.scrambled;
    }
    return service;
}

}  // namespace

Scanner::Scanner(TunerGraph& graph, ThreadMessageQueue& reports, ScanOptions options,
                 std::function<bool()> stop, std::function<void(const ScanProgress&)> progress)
    : m_graph(graph),
      m_reports(reports),
      m_options(std::move(options)),
      m_stop(std::move(stop)),
      m_progress(std::move(progress)) {}

// Asked before and during every wait, so a card that went away ends the scan at once rather
// than after a tune or a table wait per candidate left.
bool Scanner::Stopped() {
    if (!m_report.stopped && m_stop && m_stop()) m_report.stopped = true;
    if (m_graph.m_cardGone && m_report.failure.empty()) m_report.failure = "the card is gone";
    return m_report.stopped || !m_report.failure.empty();
}

void Scanner::Progress(const std::string& stage, const ScannedTransponder* locked) {
    if (m_progress) m_progress({stage, m_report.transponders.size(), m_services, locked});
}

ScanReport Scanner::Run() {
    m_tables = TableReader::Attach(m_graph);
    if (m_graph.m_ready == 0 || !m_tables) {
        m_report.failure = "the tuner's graph could not be built";
        return std::move(m_report);
    }
    const std::vector<KnownCarrier> candidates =
        m_options.from.empty() ? SweepCandidates() : m_options.from;
    m_report.candidates = candidates.size();
    for (std::size_t i = 0; i < candidates.size() && !Stopped(); ++i) {
        Progress("candidate " + std::to_string(i + 1) + " of " + std::to_string(candidates.size()));
        Scan(candidates[i]);
    }
    // The network scan: what the NIT names that no candidate gave. Scan() may add more.
    for (std::size_t i = 0; i < m_network.size() && !Stopped(); ++i) {
        const KnownCarrier carrier = m_network[i].carrier;  // Scan() may add to m_network
        if (Known(carrier)) continue;
        ++m_report.candidates;
        Progress("network " + std::to_string(carrier.frequencyKHz / 1000) + " MHz");
        Scan(carrier);
    }
    // A candidate whose estimate was too far off may have been found through the NIT since.
    std::erase_if(m_report.unlocked, [this](const KnownCarrier& c) { return Known(c); });
    m_report.orbitalTenths = m_orbital;
    return std::move(m_report);
}

std::vector<KnownCarrier> Scanner::SweepCandidates() {
    struct Setting {
        std::int32_t polarisation;
        bool high;
        const char* name;
    };
    constexpr Setting kSettings[kSweeps] = {{kPolarisationV, false, "sweep V low"},
                                            {kPolarisationH, false, "sweep H low"},
                                            {kPolarisationV, true, "sweep V high"},
                                            {kPolarisationH, true, "sweep H high"}};
    std::vector<std::pair<KnownCarrier, double>> found;  // with its rise, dB
    m_report.sweepsFinished = 0;
    for (const Setting& setting : kSettings) {
        if (Stopped()) break;
        Progress(setting.name);
        const double oscillator = setting.high ? kHighOscillatorMHz : kLowOscillatorMHz;
        const auto sweepStart = Clock::now();
        const std::vector<SpectrumPoint> points = Sweep(setting.polarisation, setting.high);
        m_report.sweepTime += Clock::now() - sweepStart;
        if (points.empty()) break;  // cut short: stopped, failed or the card went
        ++*m_report.sweepsFinished;
        for (const FoundCarrier& c : FindCarriers(points)) {
            const KnownCarrier carrier{
                static_cast<std::uint32_t>(std::lround(c.centreMHz + oscillator) * 1000),
                setting.polarisation,
                static_cast<std::int32_t>(std::lround(c.symbolRateMsps * 1000))};
            // A carrier in both bands' overlap is seen twice: the stronger sight is kept.
            const auto same = std::find_if(found.begin(), found.end(), [&](const auto& f) {
                return SameCarrier(f.first, carrier);
            });
            if (same == found.end())
                found.emplace_back(carrier, c.riseDb);
            else if (c.riseDb > same->second)
                *same = {carrier, c.riseDb};
        }
    }
    std::vector<KnownCarrier> candidates;
    for (const auto& f : found) candidates.push_back(f.first);
    return candidates;
}

std::vector<SpectrumPoint> Scanner::Sweep(std::int32_t polarisation, bool highBand) {
    TuneParameters tune;
    tune.frequencyKHz = highBand ? kHighBandTuneKHz : kLowBandTuneKHz;
    tune.symbolRate = kSweepTuneRate;
    tune.polarisation = polarisation;
    tune.lnbSource = m_options.lnbSource;
    // The tune only sets the LNB and the switch, and nothing need lock: one system is tried, not
    // both, and the sweep is queued behind it at once (the worker takes it once the tune is done).
    tune.system = kDvbS;
    std::vector<SpectrumPoint> points;
    if (!TuneAndSettle(tune, Clock::now() + m_options.sweepWait, 1)) {
        if (m_report.failure.empty()) m_report.failure = "the tuner did not take a tune";
        return points;
    }
    if (m_graph.RequestSpectrumSweep() != 0) {
        m_report.failure = "the tuner refused a sweep";
        return points;
    }
    const auto until = Clock::now() + m_options.sweepWait;
    while (Clock::now() < until) {
        if (Stopped()) return {};
        std::optional<ThreadMessage> next = m_reports.Wait(20);
        if (!next || next->message != MSG_SPECTRUM_POINT) continue;
        const std::unique_ptr<SpectrumPoint> point = next->payload.Take<SpectrumPoint>();
        // The end mark; the card's going also ends a sweep, and that one is no sweep.
        if (!point) return m_graph.m_cardGone ? std::vector<SpectrumPoint>{} : points;
        points.push_back(*point);
    }
    m_report.failure = "the tuner's sweep did not end";
    return {};
}

// The tune is requested `times` times, and each request waits until the worker has taken it:
// the worker takes a second only once the first is carried out, so that what is read after two
// (a quality) is this tune's, never the last one's; a command queued after one is carried out
// after it. False, with the failure said, when the worker refuses it or has not taken it by
// `until`.
bool Scanner::TuneAndSettle(const TuneParameters& tune, Clock::time_point until, int times) {
    for (int time = 0; time < times; ++time) {
        if (m_graph.RequestTune(tune) != 0) {
            m_report.failure = "the tuner refused a tune";
            return false;
        }
        while (m_graph.m_command != kCommandNone) {
            if (Clock::now() >= until) return false;
            std::this_thread::sleep_for(1ms);
        }
    }
    return true;
}

bool Scanner::TryLock(const KnownCarrier& carrier, std::int32_t system) {
    TuneParameters tune;
    tune.frequencyKHz = carrier.frequencyKHz;
    tune.symbolRate = carrier.symbolRate;
    tune.polarisation = carrier.polarisation;
    tune.lnbSource = m_options.lnbSource;
    tune.system = system;
    const auto until = Clock::now() + m_options.lockWait;
    if (!TuneAndSettle(tune, until, 2)) return false;
    const auto statistics = m_graph.m_signalStatistics.load();
    if (!statistics) return false;
    while (!Stopped()) {
        std::int32_t quality = 0;
        if (SUCCEEDED(statistics->get_SignalQuality(&quality)) && quality > 0) return true;
        if (Clock::now() >= until) return false;
        std::this_thread::sleep_for(kPoll);
    }
    return false;
}

// What the NIT already says of a carrier is tried first: its exact rate and system. Then the
// rates near the estimate, with either system (the driver tries DVB-S, then DVB-S2).
void Scanner::Scan(const KnownCarrier& candidate) {
    if (Known(candidate)) return;
    std::vector<std::pair<KnownCarrier, std::int32_t>> attempts;
    for (const NetworkEntry& entry : m_network)
        if (SameCarrier(entry.carrier, candidate))
            attempts.emplace_back(entry.carrier, entry.system);
    for (const std::int32_t rate : RatesToTry(candidate.symbolRate)) {
        KnownCarrier tuned = candidate;
        tuned.symbolRate = rate;
        attempts.emplace_back(tuned, kEitherSystem);
    }
    for (const auto& [tuned, system] : attempts) {
        if (Stopped()) return;
        const auto start = Clock::now();
        const bool locked = TryLock(tuned, system);
        const auto lockTime = Clock::now() - start;
        m_report.tuneTime += lockTime;
        if (!locked) continue;
        Record(tuned, system, std::chrono::duration_cast<std::chrono::milliseconds>(lockTime));
        return;
    }
    if (!Stopped()) m_report.unlocked.push_back(candidate);
}

void Scanner::Record(const KnownCarrier& tuned, std::int32_t system,
                     std::chrono::milliseconds lockTime) {
    m_tables->Restart();
    const auto readStart = Clock::now();
    const StreamTables tables = m_tables->Read(
        m_options.tableWait, [this] { return Stopped(); },
        [this, &tuned](std::uint16_t tsid) {
            const NetworkEntry* entry = NetworkEntryFor(tsid);
            if (!entry) return TableReader::Stream::Unknown;
            return WithinPullIn(entry->carrier, tuned) ? TableReader::Stream::Known
                                                       : TableReader::Stream::Elsewhere;
        });
    m_report.tableTime += Clock::now() - readStart;
    if (Stopped()) return;
    if (!tables.pat) {
        m_report.unlocked.push_back(tuned);  // locked, but nothing readable came
        return;
    }
    if (tables.nit) Learn(*tables.nit, tables.pat->tsid);
    ScannedTransponder t;
    t.carrier = tuned;
    t.system = system;
    t.tsid = tables.pat->tsid;
    t.lockTime = lockTime;
    if (const auto statistics = m_graph.m_signalStatistics.load())
        statistics->get_SignalQuality(&t.quality);
    if (const NetworkEntry* own = NetworkEntryFor(t.tsid)) {
        t.onid = own->onid;
        t.carrier = own->carrier;
        t.system = own->system;
    }
    if (tables.sdt) t.onid = tables.sdt->onid;
    for (const auto& known : m_report.transponders)
        if (known.tsid == t.tsid && known.onid == t.onid) return;  // seen from another sweep
    t.sdtMissing = !tables.sdt;
    for (const PatProgram& program : tables.pat->programs)
        t.services.push_back(ServiceOf(program.programNumber, tables.sdt));
    m_services += t.services.size();
    m_report.transponders.push_back(std::move(t));
    Progress("locked", &m_report.transponders.back());
}

// The first NIT fixes the orbital position (where it sends the tuned stream `tsid`, else its
// first transport stream); every NIT adds the transport streams it names there.
void Scanner::Learn(const Nit& nit, std::uint16_t tsid) {
    if (m_report.networkName.empty()) m_report.networkName = nit.networkName;
    for (const NitTransportStream& entry : nit.transportStreams)
        if (!m_orbital && entry.delivery && entry.tsid == tsid)
            m_orbital = SignedTenths(*entry.delivery);
    for (const NitTransportStream& entry : nit.transportStreams) {
        if (!entry.delivery) continue;
        if (!m_orbital) m_orbital = SignedTenths(*entry.delivery);
        const auto carrier = CarrierOf(*entry.delivery);
        if (!carrier || SignedTenths(*entry.delivery) != *m_orbital || NetworkEntryFor(entry.tsid))
            continue;
        m_network.push_back({entry.onid, entry.tsid, *carrier,
                             entry.delivery->system == DeliverySystem::DvbS2 ? kDvbS2 : kDvbS});
    }
}

const Scanner::NetworkEntry* Scanner::NetworkEntryFor(std::uint16_t tsid) const {
    for (const NetworkEntry& entry : m_network)
        if (entry.tsid == tsid) return &entry;
    return nullptr;
}

bool Scanner::Known(const KnownCarrier& carrier) const {
    return std::any_of(
        m_report.transponders.begin(), m_report.transponders.end(),
        [&](const ScannedTransponder& t) { return SameCarrier(t.carrier, carrier); });
}

}  // namespace scan
