// Parsing speed of a channel list file of more than 10 MB: every line is decoded, split and
// parsed into a record, and all but the first 100 records are dropped again. Each figure is the
// median of five repetitions: a single one moves by a quarter on a shared machine.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>

#include "channels/ChannelList.h"

namespace {

constexpr std::size_t kTargetBytes = 12 * 1024 * 1024;

// A realistic mix: names with accents, quoted names with commas, comments on some lines,
// kHz and MHz frequencies, CR LF line ends.
std::string MakeChannelFile() {
    std::string file = "NAME,FREQ,POL,SR,ONID,TSID,SID,Comment\r\n";
    std::uint32_t n = 0;
    while (file.size() < kTargetBytes) {
        ++n;
        const unsigned freq = 10700 + (n * 37) % 2050;
        if (n % 7 == 0) {
            file += "\"Nord Info, Regional " + std::to_string(n) + "\"";
        } else if (n % 5 == 0) {
            file += "T\xC3\xA9l\xC3\xA9 \xC3\x89toile " + std::to_string(n);
        } else {
            file += "Channel " + std::to_string(n);
        }
        file += ',' + std::to_string(n % 3 == 0 ? freq * 1000 : freq);
        file += n % 2 ? ",H," : ",V,";
        file += std::to_string(n % 4 == 0 ? 22000 : 27500) + ",1101," +
                std::to_string(11000 + n % 40) + ',' + std::to_string(n % 65536);
        file += n % 4 == 0 ? ",DVB-S2 8PSK\r\n" : ",\r\n";
    }
    return file;
}

std::string ToUtf16LeWithMark(const std::string& ascii) {
    std::string bytes = "\xFF\xFE";
    for (char c : ascii) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

const std::string& ChannelFile() {
    static const std::string file = MakeChannelFile();
    return file;
}

void ParseBuffer(benchmark::State& state, const std::string& bytes) {
    const std::span<const std::uint8_t> span(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             bytes.size());
    for (auto _ : state) {
        orvalen::ChannelList list = orvalen::LoadChannelListFromBytes(span);
        if (list.count != orvalen::kMaxChannels) state.SkipWithError("expected 100 channels");
        benchmark::DoNotOptimize(list);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
}

void BM_ParseChannelListUtf8(benchmark::State& state) {
    ParseBuffer(state, ChannelFile());
}
BENCHMARK(BM_ParseChannelListUtf8)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// UTF-16LE of the ASCII part of the file: the same lines, twice the bytes.
void BM_ParseChannelListUtf16Le(benchmark::State& state) {
    static const std::string file = [] {
        std::string ascii;
        for (char c : ChannelFile()) {
            if (static_cast<unsigned char>(c) < 0x80) ascii.push_back(c);
        }
        return ToUtf16LeWithMark(ascii);
    }();
    ParseBuffer(state, file);
}
BENCHMARK(BM_ParseChannelListUtf16Le)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The whole LoadChannelList: opening and reading the file, then parsing.
void BM_LoadChannelListFile(benchmark::State& state) {
    std::string path = (std::filesystem::temp_directory_path() / "orvalen-bench-XXXXXX").string();
    const int fd = mkstemp(path.data());
    if (fd < 0) {
        state.SkipWithError("cannot create a temporary file");
        return;
    }
    const std::string& bytes = ChannelFile();
    const bool written =
        write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    close(fd);
    if (!written) state.SkipWithError("cannot write the temporary file");
    const std::u16string name(path.begin(), path.end());
    for (auto _ : state) {
        orvalen::ChannelList list = orvalen::LoadChannelList(name);
        benchmark::DoNotOptimize(list);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadChannelListFile)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
