// The real card's stream path: a pipe stands in for the dvr device, and its bytes go through
// the dvr reader and the capture filter's output pin into an infinite pin tee and the file
// writer, as interleaved pairs against two baselines of the same data from the same kind of
// pipe: a plain one-thread read()/write() loop, and the best simple program of the same job, a
// reader thread and a writer thread with one hand-off per block. The program also runs two
// threads (the dvr reader and the writer's I/O thread), so it may beat the one-thread loop,
// which waits for each write before it reads again; the two-thread program is the limit it is
// held to. Reports the rates and the median ratio of each comparison with its lowest and
// highest (goal: at least 0.9), and, with a stand-in for the kernel's 8 MiB ring filled at a
// fixed 300 Mbit/s (what does not fit is lost), the overruns of that run (goal: 0).
//
// The files go into the build directory and are deleted after each measurement.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/PairedRuns.h"
#include "cardkit/CaptureFilterShell.h"
#include "linuxdvb/DvrReader.h"
#include "platform/FileWriter.h"
#include "platform/FilterGraphManager.h"
#include "platform/InfiniteTee.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunkBytes = 348 * kTransportPacketSize;  // 65,424 bytes
constexpr std::uint64_t kTotalBytes = 512ull << 20;
constexpr std::uint64_t kChunks = kTotalBytes / kChunkBytes;
constexpr double kPacedMbitPerSecond = 300;
constexpr auto kPacedTime = std::chrono::seconds(3);
constexpr int kPipeBytes = 8 << 20;  // as the dvr ring the reader asks for

const std::vector<std::uint8_t>& Chunk() {
    static const std::vector<std::uint8_t> chunk = [] {
        std::vector<std::uint8_t> bytes(kChunkBytes);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = i % kTransportPacketSize == 0 ? 0x47 : static_cast<std::uint8_t>(i * 7);
        return bytes;
    }();
    return chunk;
}

fs::path BuildDirectory() {
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path();
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The dvr stand-in: a pipe as large as the system allows, fed by a thread.
struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return;
        read = ends[0];
        write = ends[1];
        ::fcntl(write, F_SETPIPE_SZ, kPipeBytes);  // best effort: the system may cap it
    }
    ~Pipe() {
        if (read >= 0) ::close(read);
        CloseWrite();
    }
    void CloseWrite() {
        if (write >= 0) ::close(write);
        write = -1;
    }
};

// Feeds the whole amount as fast as the pipe takes it, then ends the stream.
std::thread FeedAll(Pipe& pipe, std::uint64_t& fed) {
    fed = kChunks * kChunkBytes;
    return std::thread([&pipe] {
        const auto& chunk = Chunk();
        for (std::uint64_t c = 0; c < kChunks; ++c) {
            std::size_t done = 0;
            while (done < chunk.size()) {
                const ssize_t n = ::write(pipe.write, chunk.data() + done, chunk.size() - done);
                if (n <= 0) return;
                done += static_cast<std::size_t>(n);
            }
        }
        pipe.CloseWrite();
    });
}

// Feeds at a fixed rate for a fixed time the way a card fills the kernel's dvr ring: the ring
// holds kRingBytes, what does not fit when a chunk arrives is lost (an overrun), and the ring
// drains into the pipe as fast as the reader takes it. The pipe alone cannot stand in for the
// ring: the system caps a pipe far below the ring the reader asks for.
std::thread FeedAtRate(Pipe& pipe, std::uint64_t& lost, std::uint64_t& fed) {
    return std::thread([&pipe, &lost, &fed] {
        std::mutex mutex;
        std::condition_variable changed;
        std::size_t ringChunks = 0;  // the chunks waiting in the ring
        bool ended = false;
        std::thread drain([&] {
            const auto& chunk = Chunk();
            for (;;) {
                {
                    std::unique_lock lock(mutex);
                    changed.wait(lock, [&] { return ringChunks > 0 || ended; });
                    if (ringChunks == 0) break;
                }
                for (std::size_t done = 0; done < chunk.size();) {
                    const ssize_t n = ::write(pipe.write, chunk.data() + done, chunk.size() - done);
                    if (n <= 0) return;
                    done += static_cast<std::size_t>(n);
                }
                std::lock_guard lock(mutex);
                --ringChunks;
            }
        });
        const double chunksPerSecond = kPacedMbitPerSecond * 1e6 / 8 / kChunkBytes;
        const auto start = std::chrono::steady_clock::now();
        for (std::uint64_t c = 0;; ++c) {
            const auto due =
                start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(c / chunksPerSecond));
            if (due - start >= kPacedTime) break;
            std::this_thread::sleep_until(due);
            std::lock_guard lock(mutex);
            if ((ringChunks + 1) * kChunkBytes > linuxdvb::kDvrRingBytes) {
                ++lost;
            } else {
                ++ringChunks;
                fed += kChunkBytes;
                changed.notify_one();
            }
        }
        {
            std::lock_guard lock(mutex);
            ended = true;
            changed.notify_one();
        }
        drain.join();
        pipe.CloseWrite();
    });
}

// The kernel as the dvr reader sees it: the dvr is the pipe, the demux takes any filter.
class PipeDvbIo : public linuxdvb::DvbIo {
public:
    explicit PipeDvbIo(int pipe) : m_pipe(pipe) {}
    int Open(const std::string& path, int) override {
        const int fd = path == "dvr" ? ::dup(m_pipe) : ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (path == "dvr" && fd >= 0) ::fcntl(fd, F_SETFL, O_NONBLOCK);
        return fd < 0 ? -errno : fd;
    }
    int Ioctl(int, unsigned long, unsigned long) override { return 0; }
    long Read(int fd, void* buffer, std::size_t size) override {
        return m_kernel->Read(fd, buffer, size);
    }
    long Write(int fd, const void* buffer, std::size_t size) override {
        return m_kernel->Write(fd, buffer, size);
    }
    int Poll(pollfd* fds, std::size_t count, int timeoutMs) override {
        return m_kernel->Poll(fds, count, timeoutMs);
    }
    int Close(int fd) override { return m_kernel->Close(fd); }
    void Sleep(std::chrono::microseconds time) override { m_kernel->Sleep(time); }

private:
    const int m_pipe;
    const std::shared_ptr<DvbIo> m_kernel = linuxdvb::SystemDvbIo();
};

// The plain loop: large reads from the pipe written straight to the file.
double PlainCopy(const fs::path& path) {
    Pipe pipe;
    const auto start = std::chrono::steady_clock::now();
    std::uint64_t fed = 0;
    std::thread feeder = FeedAll(pipe, fed);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::vector<std::uint8_t> block(linuxdvb::kDvrReadBytes);
    std::uint64_t copied = 0;
    for (;;) {
        const ssize_t n = ::read(pipe.read, block.data(), block.size());
        if (n <= 0) break;
        if (::write(fd, block.data(), static_cast<std::size_t>(n)) != n) break;
        copied += static_cast<std::uint64_t>(n);
    }
    ::close(fd);
    feeder.join();
    const double seconds = Seconds(start);
    fs::remove(path);
    return copied / 1e6 / seconds;
}

// The best simple program of the same job: a reader thread and a writer thread sharing a ring
// of blocks, each block handed over once, the reader waiting only when every block is full.
double TwoThreadCopy(const fs::path& path) {
    constexpr std::size_t kBlocks = 16;
    Pipe pipe;
    const auto start = std::chrono::steady_clock::now();
    std::uint64_t fed = 0;
    std::thread feeder = FeedAll(pipe, fed);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::vector<std::vector<std::uint8_t>> blocks(
        kBlocks, std::vector<std::uint8_t>(linuxdvb::kDvrReadBytes));
    std::vector<std::size_t> sizes(kBlocks);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t full = 0;  // blocks read and not yet written
    bool ended = false;
    std::uint64_t copied = 0;
    std::thread writer([&] {
        for (std::size_t next = 0;; next = (next + 1) % kBlocks) {
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return full > 0 || ended; });
                if (full == 0) return;
            }
            const auto& block = blocks[next];
            if (::write(fd, block.data(), sizes[next]) == static_cast<ssize_t>(sizes[next])) {
                copied += sizes[next];
            }
            std::lock_guard lock(mutex);
            --full;
            changed.notify_all();
        }
    });
    for (std::size_t next = 0;; next = (next + 1) % kBlocks) {
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return full < kBlocks; });
        }
        const ssize_t n = ::read(pipe.read, blocks[next].data(), blocks[next].size());
        if (n <= 0) break;
        sizes[next] = static_cast<std::size_t>(n);
        std::lock_guard lock(mutex);
        ++full;
        changed.notify_all();
    }
    {
        std::lock_guard lock(mutex);
        ended = true;
        changed.notify_all();
    }
    writer.join();
    ::close(fd);
    feeder.join();
    const double seconds = Seconds(start);
    fs::remove(path);
    return copied / 1e6 / seconds;
}

struct GraphRun {
    double megabytesPerSecond = 0;
    std::uint64_t bytesWritten = 0;
    std::uint64_t bytesLost = 0;  // fed into the pipe but not in the file
    std::uint64_t overruns = 0;
};

// The stream path from the pipe to the file, until the file is complete; `feed` starts the
// feeder and returns it.
template <typename Feed>
GraphRun GraphCopy(const fs::path& path, Feed feed) {
    Pipe pipe;
    auto graph = std::make_shared<FilterGraphManager>();
    auto io = std::make_shared<PipeDvbIo>(pipe.read);
    auto reader = std::make_unique<linuxdvb::DvrReader>(io, "demux", "dvr",
                                                        std::make_shared<linuxdvb::PacketTap>());
    const linuxdvb::DvrReader& source = *reader;  // the capture filter owns it from here
    auto capture = std::make_shared<cardkit::CaptureFilterShell>(1, std::move(reader));
    auto tee = std::make_shared<InfiniteTee>();
    auto writer = std::make_shared<FileWriter>();
    std::u16string name;
    for (char c : path.string()) name += static_cast<char16_t>(c);
    writer->SetFileName(name, nullptr);
    graph->AddFilter(capture, u"DVBS Capture");
    graph->AddFilter(tee, u"Tee");
    graph->AddFilter(writer, u"Writer");
    graph->ConnectDirect(capture->Pins()[1], tee->Pins()[0], nullptr);
    graph->ConnectDirect(tee->Pins()[1], writer->Pins()[0], nullptr);

    const auto start = std::chrono::steady_clock::now();
    graph->Run();
    std::uint64_t fed = 0;
    std::thread feeder = feed(pipe, fed);
    feeder.join();
    // Everything fed has reached the writer, or nothing more comes for a second.
    std::uint64_t received = 0;
    for (auto last = std::chrono::steady_clock::now();
         received < fed && std::chrono::steady_clock::now() - last < std::chrono::seconds(1);) {
        const std::uint64_t now = writer->BytesWritten() + writer->QueuedBytes();
        if (now != received) last = std::chrono::steady_clock::now();
        received = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    graph->Stop();
    GraphRun run;
    run.bytesWritten = writer->BytesWritten();
    run.bytesLost = fed - std::min(fed, run.bytesWritten);
    run.overruns = source.Overruns();
    writer.reset();
    graph.reset();  // the writer's last owner: the file is closed now
    run.megabytesPerSecond = run.bytesWritten / 1e6 / Seconds(start);
    fs::remove(path);
    return run;
}

// One comparison of the stream path with `baseline`, as interleaved pairs.
template <typename Baseline>
void CompareWith(benchmark::State& state, const char* name, Baseline baseline) {
    const fs::path dir = BuildDirectory();
    const fs::path baselineFile = dir / (std::string("dvr-bench-") + name + ".ts");
    baseline(baselineFile);  // warms the page cache for both
    std::uint64_t lost = 0;
    orvalen::bench::RunInterleavedPairs(
        state, "graph", "plain",
        [&] {
            const GraphRun run = GraphCopy(dir / "dvr-bench-graph.ts", FeedAll);
            lost += run.bytesLost;
            return run.megabytesPerSecond;
        },
        [&] { return baseline(baselineFile); });
    state.counters["bytes_lost"] = static_cast<double>(lost);
}

void BM_DvrAgainstPlainLoop(benchmark::State& state) {
    CompareWith(state, "loop", PlainCopy);
}

void BM_DvrAgainstTwoThreads(benchmark::State& state) {
    CompareWith(state, "threads", TwoThreadCopy);
}

void BM_DvrAtFixedRate(benchmark::State& state) {
    const fs::path path = BuildDirectory() / "dvr-bench-rate.ts";
    std::uint64_t overruns = 0, lost = 0;
    for (auto _ : state) {
        std::uint64_t dropped = 0;
        const GraphRun run = GraphCopy(
            path, [&](Pipe& pipe, std::uint64_t& fed) { return FeedAtRate(pipe, dropped, fed); });
        overruns += dropped + run.overruns;
        lost += run.bytesLost;
    }

    state.counters["Mbit_per_s"] = kPacedMbitPerSecond;
    state.counters["overruns"] = static_cast<double>(overruns);
    state.counters["bytes_lost"] = static_cast<double>(lost);
}

BENCHMARK(BM_DvrAgainstPlainLoop)->Iterations(7)->Unit(benchmark::kSecond);
BENCHMARK(BM_DvrAgainstTwoThreads)->Iterations(7)->Unit(benchmark::kSecond);
BENCHMARK(BM_DvrAtFixedRate)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
