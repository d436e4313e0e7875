// orvalen-scan: turns a dish into channel lists. It sweeps one LNB source's spectrum with a
// tuner's own graph, tunes each carrier it finds, reads what each transponder carries, follows
// the network's own tables and writes the channel list and SatelliteList.csv line that orvalen
// reads.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "Version.h"
#include "app/InstallCard.h"
#include "channels/ChannelListWriter.h"
#include "channels/WholeFile.h"
#include "platform/ClassIds.h"
#include "platform/ThreadMessageQueue.h"
#include "scan/Scanner.h"
#include "tools/ScanCommandLine.h"
#include "tools/ScanLists.h"
#include "tools/ScanReportTable.h"

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) {
    g_interrupted = true;
}

int Fail(const std::string& line, int status = 1) {
    std::fprintf(stderr, "orvalen-scan: %s\n", line.c_str());
    return status;
}

bool WritableFolder(const std::string& dir) {
    std::error_code error;
    return std::filesystem::is_directory(dir, error) && access(dir.c_str(), W_OK | X_OK) == 0;
}

scan::ScanReport RunScan(const orvalen::ScanCommandLine& line) {
    ThreadMessageQueue reports;
    TunerGraph graph(line.tuner, 0);
    graph.m_tunerNumber = line.tuner;
    graph.m_notifyThreadId = reports.ThreadId();
    if (graph.m_ready == 0) {
        scan::ScanReport report;
        report.failure =
            "tuner " + std::to_string(line.tuner) + " cannot be used (missing or busy)";
        return report;
    }
    scan::ScanOptions options;
    options.lnbSource = static_cast<std::uint32_t>(line.source);
    options.from = line.from;
    orvalen::ScanProgressLine progress(std::cout, isatty(STDOUT_FILENO) != 0);
    scan::Scanner scanner(
        graph, reports, options, [] { return g_interrupted.load(); },
        [&progress](const scan::ScanProgress& p) { progress.Show(p); });
    scan::ScanReport report = scanner.Run();
    progress.Finish();
    return report;  // the graph's worker is joined here
}

// Writes the list and the slot's line; the exit status.
int WriteLists(const orvalen::ScanCommandLine& line, const scan::ScanReport& report) {
    const orvalen::ChosenChannels chosen =
        orvalen::ChooseChannels(report, {line.tv, line.radio, line.free, line.match});
    if (chosen.notChosen > 0)
        Fail(std::to_string(chosen.notChosen) +
             " services left out by --tv, --radio, --free or --match");
    if (chosen.overLimit > 0)
        Fail(std::to_string(chosen.overLimit) +
             " services left out: a list holds 100 (choose with --tv, --radio, --free or --match)");
    if (chosen.channels.empty()) return Fail("no service to write");
    const std::string listName = orvalen::ScanListName(line.tuner, line.source, report.networkName);
    const std::filesystem::path dir(line.outDir);
    const std::string listPath = (dir / listName).string();
    const std::string satellitePath = (dir / "SatelliteList.csv").string();

    std::string error, replaced;
    std::optional<std::string> existing = orvalen::ReadWholeFile(satellitePath, error);
    std::error_code exists;
    if (!existing && std::filesystem::exists(satellitePath, exists))
        return Fail("cannot read " + satellitePath + ": " + error);
    const auto satellites = orvalen::UpdateSatelliteList(
        existing,
        {line.tuner, line.source, orvalen::SatelliteName(report, line.source), listName,
         "scanned by orvalen-scan"},
        error, replaced);
    if (!satellites) return Fail(satellitePath + ": " + error);
    if (!replaced.empty() && !line.force)
        return Fail(satellitePath + ": the slot's line names " + replaced +
                    " (--force replaces it)");

    orvalen::ConversionNotes notes;
    const orvalen::ChannelListText list = orvalen::WriteChannelList(chosen.channels, notes);
    for (const std::string& note : notes.lines()) Fail(listPath + ": " + note);
    if (const std::string e = orvalen::WriteWholeFile(listPath, list.bytes, line.force); !e.empty())
        return Fail("cannot write " + listPath + ": " + e);
    if (const std::string e = orvalen::WriteWholeFile(satellitePath, *satellites, true); !e.empty())
        return Fail("cannot write " + satellitePath + ": " + e);
    std::cout << listPath << ": " << list.written << " channels\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const orvalen::ScanCommandLine line = orvalen::ParseScanCommandLine(
        argc, argv, std::getenv("ORVALEN_CARD"), std::getenv("ORVALEN_SKY"));
    if (!line.card.error.empty()) return Fail(line.card.error, 2);
    if (line.card.help) {
        std::cout << orvalen::kScanUsage;
        return 0;
    }
    if (line.card.version) {
        std::cout << "orvalen-scan " << orvalen::kVersion << "\n";
        return 0;
    }
    if (!WritableFolder(line.outDir))
        return Fail(line.outDir + ": not a folder this user can write");

    RegisterStandInClasses();
    const orvalen::InstalledCard installed = orvalen::InstallCard(line.card);
    if (!installed.error.empty()) return Fail(installed.error);
    std::fprintf(stderr, "orvalen-scan: %s\n", installed.description.c_str());
    struct sigaction interrupt = {};
    interrupt.sa_handler = OnInterrupt;
    sigaction(SIGINT, &interrupt, nullptr);
    sigaction(SIGTERM, &interrupt, nullptr);

    const auto start = std::chrono::steady_clock::now();
    const scan::ScanReport report = RunScan(line);
    orvalen::PrintScanTable(std::cout, report, std::chrono::steady_clock::now() - start);
    if (report.stopped) return Fail("stopped: no file written");
    if (!report.failure.empty()) return Fail(report.failure + ": no file written");
    if (report.transponders.empty()) return Fail("nothing found");
    return WriteLists(line, report);
}
