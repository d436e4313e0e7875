#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "TestFilters.h"
#include "platform/FileWriter.h"
#include "platform/FilterGraphManager.h"
#include "platform/InfiniteTee.h"
#include "platform/Mpeg2Demultiplexer.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::u16string Utf16(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

// How many of this process's descriptors are open on `path`.
int OpenDescriptorsOn(const fs::path& path) {
    int count = 0;
    for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(fd.path(), error) == path) ++count;
    }
    return count;
}

// source -> tee; tee output 1 -> demultiplexer (every output rendered); tee output 2 -> writer.
class RecordingChain {
public:
    RecordingChain(std::shared_ptr<TestSource> source, std::shared_ptr<FileWriter> writer)
        : m_source(std::move(source)), m_writer(std::move(writer)) {
        const auto tee = std::make_shared<InfiniteTee>();
        const auto demux = std::make_shared<Mpeg2Demultiplexer>();
        m_graph->AddFilter(m_source, u"source");
        m_graph->AddFilter(tee, u"Demux");
        m_graph->AddFilter(demux, u"Demux");
        m_graph->AddFilter(m_writer, u"Null");
        EXPECT_EQ(S_OK, m_graph->ConnectDirect(m_source->Output(), tee->Pins()[0], nullptr));
        EXPECT_EQ(S_OK, m_graph->ConnectDirect(tee->Pins()[1], demux->Pins()[0], nullptr));
        EXPECT_EQ(S_OK, m_graph->ConnectDirect(tee->Pins()[2], m_writer->Pins()[0], nullptr));
        for (const auto& pin : demux->Pins())
            if (pin->Direction() == PINDIR_OUTPUT) m_graph->Render(pin);
    }
    FilterGraphManager& Graph() { return *m_graph; }
    // Stops the graph and lets go of everything, as a recording graph's teardown does.
    void Release() {
        m_graph->Stop();
        m_graph.reset();
        m_writer.reset();
        m_source.reset();
    }

private:
    std::shared_ptr<FilterGraphManager> m_graph = std::make_shared<FilterGraphManager>();
    std::shared_ptr<TestSource> m_source;
    std::shared_ptr<FileWriter> m_writer;
};

class FileWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("orvalen-writer-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path m_dir;
};

TEST_F(FileWriterTest, TheFileHoldsExactlyWhatWasPushedOnceStoppedAndReleased) {
    constexpr std::uint64_t kPackets = 40000;  // about 7.5 MB, many times the queue
    const fs::path path = m_dir / "Record_1.ts";
    auto source = std::make_shared<TestSource>(7, kPackets);
    auto writer = std::make_shared<FileWriter>(256 * 1024);
    ASSERT_EQ(S_OK, query<IFileSinkFilter>(std::shared_ptr<IBaseFilter>(writer))
                        ->SetFileName(Utf16(path.string()), nullptr));
    RecordingChain chain(source, writer);
    ASSERT_EQ(S_OK, chain.Graph().Run());
    ASSERT_TRUE(source->WaitForPackets(kPackets));
    EXPECT_EQ(kPackets, source->PacketsDelivered());
    writer.reset();
    source.reset();
    chain.Release();
    EXPECT_EQ(0, OpenDescriptorsOn(path));
    EXPECT_EQ(TestPackets(0, kPackets), ReadFile(path));
}

TEST_F(FileWriterTest, AStopInTheMiddleOfABurstKeepsEveryDeliveredPacket) {
    const fs::path path = m_dir / "burst.ts";
    auto source = std::make_shared<TestSource>(5);  // pushes until stopped
    auto writer = std::make_shared<FileWriter>(64 * 1024);
    ASSERT_EQ(S_OK, writer->SetFileName(Utf16(path.string()), nullptr));
    RecordingChain chain(source, writer);
    ASSERT_EQ(S_OK, chain.Graph().Run());
    ASSERT_TRUE(source->WaitForPackets(20000));
    ASSERT_EQ(S_OK, chain.Graph().Stop());
    const std::uint64_t delivered = source->PacketsDelivered();
    EXPECT_EQ(0u, writer->QueuedBytes());
    EXPECT_EQ(delivered * kTransportPacketSize, writer->BytesWritten());
    EXPECT_EQ(TestPackets(0, delivered), ReadFile(path));  // complete as soon as stopped

    // Running again goes on in the same file.
    ASSERT_EQ(S_OK, chain.Graph().Run());
    ASSERT_TRUE(source->WaitForPackets(delivered + 1000));
    writer.reset();
    chain.Release();
    const std::uint64_t total = source->PacketsDelivered();
    EXPECT_EQ(TestPackets(0, total), ReadFile(path));
}

TEST_F(FileWriterTest, AFullQueueHoldsTheSourceBackAndStopStillCompletes) {
    // A pipe that nobody reads yet stands for a disk that has stalled.
    const fs::path path = m_dir / "stalled";
    ASSERT_EQ(0, ::mkfifo(path.c_str(), 0600));
    const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    constexpr std::size_t kQueue = 64 * 1024;
    auto source = std::make_shared<TestSource>(20);
    auto writer = std::make_shared<FileWriter>(kQueue);
    ASSERT_EQ(S_OK, writer->SetFileName(Utf16(path.string()), nullptr));
    RecordingChain chain(source, writer);
    ASSERT_EQ(S_OK, chain.Graph().Run());
    const std::size_t bufferBytes = 20 * kTransportPacketSize;
    while (writer->QueuedBytes() + bufferBytes <= kQueue) std::this_thread::yield();
    const std::uint64_t heldAt = source->PacketsDelivered();
    // The source can get no further than the queue and the pipe hold.
    EXPECT_LE(heldAt * kTransportPacketSize,
              kQueue + static_cast<std::size_t>(::fcntl(reader, F_GETPIPE_SZ)) + bufferBytes);

    std::atomic<bool> stopped{false};
    std::thread stopper([&] {
        chain.Graph().Stop();  // the source is blocked in the writer while this starts
        stopped = true;
    });
    std::vector<std::uint8_t> received;
    std::uint64_t expected = ~0ull;
    while (received.size() < expected) {
        if (stopped && expected == ~0ull)
            expected = source->PacketsDelivered() * kTransportPacketSize;
        pollfd ready{reader, POLLIN, 0};
        if (::poll(&ready, 1, 10) <= 0) continue;
        std::uint8_t chunk[65536];
        const ssize_t n = ::read(reader, chunk, sizeof chunk);
        if (n > 0) received.insert(received.end(), chunk, chunk + n);
    }
    stopper.join();
    EXPECT_GE(source->PacketsDelivered(), heldAt);
    EXPECT_EQ(TestPackets(0, source->PacketsDelivered()), received);
    writer.reset();
    chain.Release();
    ::close(reader);
}

TEST_F(FileWriterTest, BuffersLargerThanTheWholeQueueGoInOneAtATime) {
    // Each buffer waits for the queue to be empty, so the I/O thread must wake the source when
    // it has drained the queue, not only when a batch leaves room.
    constexpr std::uint64_t kPackets = 4000;
    const fs::path path = m_dir / "large.ts";
    auto source = std::make_shared<TestSource>(100, kPackets);  // 18,800 bytes a buffer
    auto writer = std::make_shared<FileWriter>(8 * 1024);
    ASSERT_EQ(S_OK, writer->SetFileName(Utf16(path.string()), nullptr));
    RecordingChain chain(source, writer);
    ASSERT_EQ(S_OK, chain.Graph().Run());
    ASSERT_TRUE(source->WaitForPackets(kPackets));
    EXPECT_EQ(kPackets, source->PacketsDelivered());
    ASSERT_EQ(S_OK, chain.Graph().Stop());
    EXPECT_EQ(0u, writer->QueuedBytes());
    EXPECT_EQ(TestPackets(0, kPackets), ReadFile(path));
    writer.reset();
    chain.Release();
}

TEST_F(FileWriterTest, WithoutAFileNameTheStreamIsDiscarded) {
    constexpr std::uint64_t kPackets = 3000;
    auto source = std::make_shared<TestSource>(10, kPackets);
    auto writer = std::make_shared<FileWriter>();
    RecordingChain chain(source, writer);
    ASSERT_EQ(S_OK, chain.Graph().Run());
    ASSERT_TRUE(source->WaitForPackets(kPackets));
    EXPECT_EQ(kPackets, source->PacketsDelivered());  // the writer never held it back
    chain.Graph().Stop();
    EXPECT_EQ(0u, writer->BytesWritten());
}

TEST_F(FileWriterTest, AFailingDiskNeitherHoldsTheSourceNorBlocksStop) {
    constexpr std::uint64_t kPackets = 20000;
    auto source = std::make_shared<TestSource>(10, kPackets);
    auto writer = std::make_shared<FileWriter>(64 * 1024);
    ASSERT_EQ(S_OK, writer->SetFileName(u"/dev/full", nullptr));  // every write fails
    RecordingChain chain(source, writer);
    ASSERT_EQ(S_OK, chain.Graph().Run());
    ASSERT_TRUE(source->WaitForPackets(kPackets));
    EXPECT_EQ(kPackets, source->PacketsDelivered());
    EXPECT_EQ(S_OK, chain.Graph().Stop());
    EXPECT_EQ(0u, writer->BytesWritten());
    EXPECT_EQ(0u, writer->QueuedBytes());
}

TEST_F(FileWriterTest, TheFileNameIsCheckedAtOnceAndFixedWhileRunning) {
    auto writer = std::make_shared<FileWriter>();
    EXPECT_TRUE(FAILED(writer->SetFileName(Utf16((m_dir / "missing" / "x.ts").string()), nullptr)));
    EXPECT_TRUE(FAILED(writer->SetFileName(u"", nullptr)));

    const fs::path named = m_dir / "Aufnahme \u00fc \U0001F4FA.ts";
    std::u16string wide = Utf16(m_dir.string()) + u"/Aufnahme \u00fc \U0001F4FA.ts";
    { std::ofstream(named) << "old content that must go"; }
    ASSERT_EQ(S_OK, writer->SetFileName(wide, nullptr));
    EXPECT_EQ(0u, fs::file_size(named));  // created empty at once

    auto graph = std::make_shared<FilterGraphManager>();
    graph->AddFilter(writer, u"Null");
    graph->Run();
    EXPECT_EQ(VFW_E_NOT_STOPPED,
              writer->SetFileName(Utf16((m_dir / "other.ts").string()), nullptr));
    graph->Stop();
    EXPECT_FALSE(fs::exists(m_dir / "other.ts"));
}

}  // namespace
