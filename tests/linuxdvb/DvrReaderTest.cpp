// The stream from the dvr: whole packets only, whatever the reads look like, through overflows
// and to the end of the device.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <thread>

#include "FakeKernel.h"
#include "linuxdvb/DvrReader.h"

namespace linuxdvb_test {
namespace {

using ::testing::ElementsAre;

// What the reader delivered, with a way to wait for an amount.
class Received {
public:
    HRESULT Take(const MediaBuffer& buffer) {
        std::lock_guard lock(m_mutex);
        EXPECT_EQ(buffer->size() % kTransportPacketSize, 0u);
        m_bytes.insert(m_bytes.end(), buffer->begin(), buffer->end());
        m_changed.notify_all();
        return S_OK;
    }
    std::vector<std::uint8_t> WaitFor(std::size_t bytes) {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_bytes.size() >= bytes; });
        return m_bytes;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::uint8_t> m_bytes;
};

class DvrStream : public ::testing::Test {
protected:
    DvrStream() {
        kernel->AddFrontend(0, 0);
        kernel->AddDemux(0, 0);
        reader = std::make_unique<linuxdvb::DvrReader>(kernel, kernel->Root() + "/adapter0/demux0",
                                                       kernel->Root() + "/adapter0/dvr0", tap);
    }
    void Start() {
        reader->Start([this](const MediaBuffer& buffer) { return received.Take(buffer); });
    }
    static std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::size_t from,
                                           std::size_t to) {
        return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
                bytes.begin() + static_cast<std::ptrdiff_t>(to)};
    }

    std::shared_ptr<FakeKernel> kernel = std::make_shared<FakeKernel>();
    std::shared_ptr<linuxdvb::PacketTap> tap = std::make_shared<linuxdvb::PacketTap>();
    Received received;
    std::unique_ptr<linuxdvb::DvrReader> reader;
};

TEST_F(DvrStream, RoutesEveryPidToTheTapWithABigRingAndUndoesItOnStop) {
    Start();
    kernel->Feed(0, 0, Packets(1));
    received.WaitFor(188);
    reader->Stop();
    EXPECT_THAT(
        kernel->Journal(),
        ElementsAre("dvr buffer 8388608",
                    "pes filter pid 0x2000 from the frontend to the TS tap flags 4", "demux stop"));
    EXPECT_EQ(kernel->OpenCount(), 0);
}

TEST_F(DvrStream, ShortReadsAndGarbageBeforeASyncByteStillGiveWholePackets) {
    const auto packets = Packets(6);
    std::vector<std::uint8_t> garbage{0x00, 0x47, 0x12, 0x47, 0xFF};  // stray sync bytes too
    garbage.insert(garbage.end(), packets.begin(), packets.begin() + 100);
    Start();
    kernel->Feed(0, 0, garbage);
    kernel->Feed(0, 0, Slice(packets, 100, 400));
    kernel->Feed(0, 0, Slice(packets, 400, 401));
    kernel->Feed(0, 0, Slice(packets, 401, packets.size()));
    EXPECT_EQ(received.WaitFor(packets.size()), packets);
    reader->Stop();
}

TEST_F(DvrStream, AnOverflowIsCountedTheTornPacketDroppedAndReadingGoesOn) {
    const auto before = Packets(3, 0x100);
    const auto after = Packets(2, 0x200);
    Start();
    kernel->Feed(0, 0, Slice(before, 0, 2 * 188 + 50));  // the third packet torn by the loss
    kernel->FeedError(0, 0, EOVERFLOW);
    kernel->Feed(0, 0, after);
    std::vector<std::uint8_t> expected = Slice(before, 0, 2 * 188);
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(received.WaitFor(expected.size()), expected);
    EXPECT_EQ(reader->Overruns(), 1u);
    reader->Stop();
}

TEST_F(DvrStream, AGoneDeviceEndsTheStreamAndStopStillJoins) {
    Start();
    kernel->Feed(0, 0, Packets(2));
    kernel->FeedError(0, 0, ENODEV);
    kernel->Feed(0, 0, Packets(1));  // never read
    EXPECT_EQ(received.WaitFor(2 * 188).size(), 2 * 188u);
    reader->Stop();
    EXPECT_EQ(received.WaitFor(0).size(), 2 * 188u);
    EXPECT_EQ(kernel->OpenCount(), 0);
}

TEST_F(DvrStream, ACardUnpluggedWhileTheReaderWaitsIsNoticedAndSaidSo) {
    Start();
    kernel->Feed(0, 0, Packets(1));
    EXPECT_EQ(received.WaitFor(188).size(), 188u);
    testing::internal::CaptureStderr();
    kernel->AwaitPoll(0, 0);  // the reader waits for data
    kernel->Unplug();
    // The reader ends on its own and closes its devices on the way out; nothing wakes it.
    const auto stopped = [&] { return kernel->OpenCount() == 0; };
    for (int i = 0; i < 200 && !stopped(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(stopped());
    EXPECT_NE(said.find("the card is gone"), std::string::npos) << said;
    reader->Stop();
}

TEST_F(DvrStream, AnyOtherReadErrorEndsTheStreamWithOneLineNamingTheDeviceAndTheError) {
    ::testing::internal::CaptureStderr();
    Start();
    kernel->FeedError(0, 0, EIO);
    kernel->Feed(0, 0, Packets(1));  // never read
    // The reader undoes its filter once the stream has ended.
    const auto ended = [this] {
        const auto journal = kernel->Journal();
        return !journal.empty() && journal.back() == "demux stop";
    };
    for (int i = 0; i < 10000 && !ended(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    reader->Stop();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              kernel->Root() + "/adapter0/dvr0: the stream ends: Input/output error\n");
    EXPECT_TRUE(received.WaitFor(0).empty());
}

TEST_F(DvrStream, TheTapSeesWhatIsDeliveredUntilCleared) {
    std::size_t seen = 0;
    tap->Set([&](std::span<const std::uint8_t> packets) { seen += packets.size(); });
    Start();
    kernel->Feed(0, 0, Packets(4));
    received.WaitFor(4 * 188);
    reader->Stop();
    EXPECT_EQ(seen, 4 * 188u);
}

TEST_F(DvrStream, StopWithoutAnyDataReturnsAndAStartAfterItStreamsAgain) {
    Start();
    reader->Stop();
    Start();
    kernel->Feed(0, 0, Packets(1));
    EXPECT_EQ(received.WaitFor(188).size(), 188u);
    reader->Stop();
}

}  // namespace
}  // namespace linuxdvb_test
