#include "tools/ScanReportTable.h"

#include <cstdio>

#include "tools/ScanLists.h"

namespace orvalen {
namespace {

std::string Format(const char* format, auto... values) {
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

char PolarisationLetter(std::int32_t polarisation) {
    return polarisation == scan::kPolarisationV ? 'V' : 'H';
}

// "12 candidates"; where a stop cut the sweeps short, also which sweeps they come from.
std::string Candidates(const scan::ScanReport& report) {
    std::string text = std::to_string(report.candidates) + " candidates";
    if (report.stopped && report.sweepsFinished.value_or(scan::kSweeps) != scan::kSweeps)
        text += " (from the " + std::to_string(*report.sweepsFinished) + " of " +
                std::to_string(scan::kSweeps) + " sweeps that finished)";
    return text;
}

// ` 2114 "Nord Plus", 2119 "Nova Info"`: each service's id and name, a quote in a name doubled,
// so that a log of the scan says everything found, also what a list of 100 leaves out.
std::string ServicesText(const scan::ScannedTransponder& t) {
    std::string text;
    for (const scan::ScannedService& s : t.services) {
        text += (text.empty() ? " " : ", ") + std::to_string(s.sid) + " \"";
        for (const char c : s.name) text += c == '"' ? std::string("\"\"") : std::string(1, c);
        text += '"';
    }
    return text;
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// "sweeps 130.2 s (45%)": a part of the wall time.
std::string Share(const char* name, std::chrono::steady_clock::duration part,
                  std::chrono::steady_clock::duration wall) {
    const double percent = wall.count() > 0 ? 100.0 * Seconds(part) / Seconds(wall) : 0.0;
    return Format("%s %.1f s (%.0f%%)", name, Seconds(part), percent);
}

}  // namespace

std::string CarrierText(const scan::KnownCarrier& carrier) {
    return Format("%u MHz %c %d", carrier.frequencyKHz / 1000,
                  PolarisationLetter(carrier.polarisation), carrier.symbolRate);
}

void ScanProgressLine::Show(const scan::ScanProgress& progress) {
    if (!m_terminal) {
        if (const auto* t = progress.justLocked)
            m_out << CarrierText(t->carrier) << ": TSID " << t->tsid << ", " << t->services.size()
                  << " services" << (t->sdtMissing ? " (no SDT)" : "") << ":" << ServicesText(*t)
                  << std::endl;
        return;
    }
    m_out << "\r\033[K" << progress.stage << " | " << progress.locked << " transponders, "
          << progress.services << " services" << std::flush;
    m_shown = true;
}

void ScanProgressLine::Finish() {
    if (m_shown) m_out << "\r\033[K" << std::flush;
    m_shown = false;
}

void PrintScanTable(std::ostream& out, const scan::ScanReport& report,
                    std::chrono::steady_clock::duration wall) {
    out << "   FREQ POL    SR SYS     LOCK QUAL  ONID  TSID SERVICES\n";
    std::size_t counts[3] = {0, 0, 0};  // tv, radio, data
    for (const auto& t : report.transponders) {
        out << Format("%7.3f  %c  %5d %-6s %4lldms %3d%% %5u %5u %zu%s\n",
                      t.carrier.frequencyKHz / 1000.0, PolarisationLetter(t.carrier.polarisation),
                      t.carrier.symbolRate,
                      t.system == scan::kDvbS2  ? "DVB-S2"
                      : t.system == scan::kDvbS ? "DVB-S"
                                                : "?",
                      static_cast<long long>(t.lockTime.count()), t.quality, t.onid, t.tsid,
                      t.services.size(), t.sdtMissing ? " (no SDT: names from the PAT)" : "");
        for (const auto& s : t.services) {
            const std::string kind = ServiceKind(s);
            ++counts[kind == "tv" ? 0 : kind == "radio" ? 1 : 2];
        }
    }
    for (const auto& c : report.unlocked) out << "not locked: " << CarrierText(c) << "\n";
    out << report.transponders.size() << " transponders locked of " << Candidates(report) << ", "
        << report.unlocked.size() << " not locked; " << counts[0] + counts[1] + counts[2]
        << " services (" << counts[0] << " tv, " << counts[1] << " radio, " << counts[2]
        << " data); " << Format("%.1f s", Seconds(wall)) << "\n";
    out << "time: " << Share("sweeps", report.sweepTime, wall) << ", "
        << Share("tuning", report.tuneTime, wall) << ", " << Share("tables", report.tableTime, wall)
        << "\n";
}

}  // namespace orvalen
