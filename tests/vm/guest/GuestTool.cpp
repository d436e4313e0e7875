// What the window session in the test machine asks of the frequency setting and of the files
// the program writes, so that the shell script states no expectation of its own:
//   vm_guest_tool lists DIR        writes SatelliteList.csv and vidtv.csv into DIR: tuner 1's
//                                  "Sat 1" lists vidtv's service on every carried frequency
//   vm_guest_tool sweep-points     prints the sweep point of each carried IF, one per line
//   vm_guest_tool recording FILE [TSID]
//                                  checks a recording: whole packets, intact continuity and
//                                  vidtv's PAT (or a PAT of transport stream TSID); prints what
//                                  it found, fails when it is not so
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

#include "../../faults/RecordingCheck.h"
#include "FrequencySetting.h"
#include "StreamTables.h"
#include "VidtvStream.h"

namespace {

constexpr const char* kChannelList = "vidtv.csv";

int WriteLists(const std::filesystem::path& folder) {
    std::ofstream satellites(folder / "SatelliteList.csv");
    satellites << "NAME,Tuner,LNBSource,ChannelList,Comment\n"
               << "vidtv,1,1," << kChannelList << ",the kernel's virtual DVB card\n";
    std::ofstream channels(folder / kChannelList);
    channels << "NAME,FREQ,POL,SR,ONID,TSID,SID,Comment\n";
    for (const vm::Transponder& transponder : vm::FrequenciesUnderTest())
        channels << vm::kVidtvServiceName << ' ' << transponder.kuMHz << ',' << transponder.kuMHz
                 << ",H," << vm::kVidtvSymbolRate << ',' << vm::kVidtvNetworkId << ','
                 << vm::kVidtvTransportStreamId << ',' << vm::kVidtvServiceId << ",radio\n";
    return satellites && channels ? 0 : 1;
}

int PrintSweepPoints() {
    for (const vm::Transponder& transponder : vm::FrequenciesUnderTest())
        std::cout << transponder.SweepPoint() << '\n';
    return 0;
}

// A transport stream id as a list file writes it: decimal, 0 to 65535.
std::optional<std::uint16_t> TransportStreamId(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > 0xFFFF) return {};
    return static_cast<std::uint16_t>(value);
}

int CheckRecordingFile(const std::filesystem::path& path, std::optional<std::uint16_t> tsid) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    const RecordingCheck check = CheckRecording(bytes);
    const vm::StreamTables tables = vm::FindTables(bytes);
    const bool pat = tsid ? tables.patTsid == *tsid
                          : tables.patTsid == vm::kVidtvTransportStreamId &&
                                tables.programs.contains(vm::kVidtvServiceId);
    std::cout << path.string() << ": " << check.packets << " packets, "
              << (check.Sound() ? "sound" : "faulty") << ", "
              << (pat ? "the PAT asked for" : "not the PAT asked for") << '\n';
    for (const std::string& fault : check.firstFaults) std::cout << "  " << fault << '\n';
    return check.packets > 0 && check.Sound() && pat ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "lists") return WriteLists(args[1]);
    if (args.size() == 1 && args[0] == "sweep-points") return PrintSweepPoints();
    if (args.size() == 2 && args[0] == "recording") return CheckRecordingFile(args[1], {});
    if (args.size() == 3 && args[0] == "recording") {
        if (const auto tsid = TransportStreamId(args[2])) return CheckRecordingFile(args[1], tsid);
    }
    std::cerr << "usage: vm_guest_tool lists DIR | sweep-points | recording FILE [TSID]\n";
    return 2;
}
