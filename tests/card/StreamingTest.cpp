// The capture filter's stream through the CI filter: only while running and locked, whole
// packets with continuous counters, descrambled or not by the CI routing mode, restarted on a
// retune, and overruns counted when the graph holds the stream back.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "CardTestSupport.h"
#include "TsReader.h"
#include "platform/ClassIds.h"
#include "platform/FilterBase.h"
#include "platform/TuningInterfaces.h"

namespace cardtest {
namespace {

using namespace card;
using namespace cardkit;
using namespace std::chrono_literals;

// The downstream end of the chain: collects what arrives; can hold the first buffer back.
class Sink : public FilterBase {
public:
    Sink() { AddPin(std::make_shared<Input>(*this)); }

    // Waits until at least `packets` arrived; false after a generous time.
    bool WaitFor(std::size_t packets) {
        std::unique_lock lock(m_mutex);
        return m_arrived.wait_for(lock, 20s, [&] { return m_reader.packets >= packets; });
    }
    TsReader Take() {
        std::lock_guard lock(m_mutex);
        TsReader taken = m_reader;
        m_reader = {};
        return taken;
    }
    std::size_t Packets() {
        std::lock_guard lock(m_mutex);
        return m_reader.packets;
    }
    std::chrono::milliseconds holdFirst{0};

private:
    class Input : public PinBase {
    public:
        explicit Input(Sink& sink) : PinBase(sink, PINDIR_INPUT, u"In"), m_sink(sink) {}

    protected:
        HRESULT OnReceive(const MediaBuffer& buffer) override { return m_sink.Receive(buffer); }

    private:
        Sink& m_sink;
    };

    HRESULT Receive(const MediaBuffer& buffer) {
        if (!m_held && holdFirst.count() > 0) {
            m_held = true;
            std::this_thread::sleep_for(holdFirst);
        }
        std::lock_guard lock(m_mutex);
        m_reader.Add(*buffer);
        m_arrived.notify_all();
        return S_OK;
    }

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    TsReader m_reader;
    bool m_held = false;  // streaming thread only
};

class Provider : public FilterBase, public ITuner {
public:
    Provider() { AddPin(std::make_shared<PinBase>(*this, PINDIR_OUTPUT, u"Out")); }
    HRESULT put_TuneRequest(const std::shared_ptr<ITuneRequest>&) override { return S_OK; }
};

std::shared_ptr<IPin> Pin(const std::shared_ptr<IBaseFilter>& filter, PIN_DIRECTION direction) {
    for (const auto& pin : PinsOf(filter)) {
        PIN_DIRECTION d;
        pin->QueryDirection(&d);
        if (d == direction) return pin;
    }
    return nullptr;
}

class StreamingTest : public CardTest {
protected:
    void SetUp() override {
        CardTest::SetUp();
        Build();
    }
    void TearDown() override {
        Stop();
        CardTest::TearDown();
    }

    // provider -> tuner 1 -> capture 1 -> CI 1 -> sink
    void Build() {
        m_tuner = OpenTuner(1);
        m_capture = BindDevice(KSCATEGORY_BDA_RECEIVER_COMPONENT, {DeviceKind::Capture, 1});
        m_ci = BindDevice(KSCATEGORY_BDA_RECEIVER_COMPONENT, {DeviceKind::Ci, 1});
        m_sink = std::make_shared<Sink>();
        const auto provider = std::make_shared<Provider>();
        ASSERT_EQ(Pin(provider, PINDIR_OUTPUT)->Connect(Pin(m_tuner.filter, PINDIR_INPUT), nullptr), S_OK);
        ASSERT_EQ(Pin(m_tuner.filter, PINDIR_OUTPUT)->Connect(Pin(m_capture, PINDIR_INPUT), nullptr), S_OK);
        ASSERT_EQ(Pin(m_capture, PINDIR_OUTPUT)->Connect(Pin(m_ci, PINDIR_INPUT), nullptr), S_OK);
        ASSERT_EQ(Pin(m_ci, PINDIR_OUTPUT)->Connect(Pin(m_sink, PINDIR_INPUT), nullptr), S_OK);
    }
    void Run() {
        for (const auto& filter : {std::shared_ptr<IBaseFilter>(m_sink), m_ci, m_capture}) filter->Run(0);
    }
    void Stop() {
        for (const auto& filter : {m_capture, m_ci, std::shared_ptr<IBaseFilter>(m_sink)})
            if (filter) filter->Stop();
    }
    void SetCiMode(std::uint32_t mode) {
        Bytes data = Words({mode});
        ASSERT_EQ(Property(*query<IKsControl>(m_ci),
                           PropertyHeader(KSPROPSETID_CardCi, CARD_CI_MODE, KSPROPERTY_TYPE_SET), data).hr,
                  S_OK);
    }

    TunerHandles m_tuner;
    std::shared_ptr<IBaseFilter> m_capture, m_ci;
    std::shared_ptr<Sink> m_sink;
};

TEST_F(StreamingTest, NoPacketsWhileUnlockedThenTheTunedTransponderInTheClear) {
    Run();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(m_sink->Packets(), 0u) << "not tuned yet";
    Tune(m_tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
    ASSERT_TRUE(m_sink->WaitFor(20000));
    Stop();
    const TsReader stream = m_sink->Take();
    EXPECT_EQ(stream.errors, 0u);
    EXPECT_EQ(stream.continuityErrors, 0u);
    EXPECT_EQ(stream.FirstTsid(), 11013);
    std::size_t scrambled = 0;
    for (const auto& [pid, count] : stream.scrambledByPid) scrambled += count;
    EXPECT_EQ(scrambled, 0u) << "MTD with a CAM descrambles";
    // Stopped means stopped.
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(m_sink->Packets(), 0u);
}

TEST_F(StreamingTest, BypassPassesScrambledServicesUnchanged) {
    SetCiMode(kCiModeBypass);
    Run();
    Tune(m_tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
    ASSERT_TRUE(m_sink->WaitFor(20000));
    Stop();
    const TsReader stream = m_sink->Take();
    std::size_t scrambled = 0;
    for (const auto& [pid, count] : stream.scrambledByPid) scrambled += count;
    EXPECT_GT(scrambled, 0u);
}

TEST_F(StreamingTest, WithoutACamNothingIsDescrambled) {
    CardConfig config = TestCardConfig();
    config.camPresent = false;
    Install(config);
    Build();
    Run();
    Tune(m_tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
    ASSERT_TRUE(m_sink->WaitFor(20000));
    Stop();
    EXPECT_GT(m_sink->Take().scrambledByPid.size(), 0u);
}

TEST_F(StreamingTest, ARetuneStartsTheOtherTranspondersStream) {
    Run();
    Tune(m_tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
    ASSERT_TRUE(m_sink->WaitFor(1000));
    Tune(m_tuner, 10758000, BDA_POLARISATION_LINEAR_H, 22000, 4);
    m_sink->Take();
    ASSERT_TRUE(m_sink->WaitFor(20000));
    Stop();
    // Buffers under way at the retune may still be Helion's; the stream ends on Solvane's.
    const TsReader stream = m_sink->Take();
    TsReader tail;
    tail.Add(std::vector<std::uint8_t>(stream.stream.end() - 188 * 10000, stream.stream.end()));
    EXPECT_EQ(tail.FirstTsid(), 14041);
}

TEST_F(StreamingTest, AGraphThatHoldsTheStreamBackCausesCountedOverruns) {
    CardConfig config = TestCardConfig();
    config.realTimeStream = true;
    config.cardBufferBytes = 188 * 512;
    config.packetsPerBuffer = 64;
    Install(config);
    Build();
    m_sink->holdFirst = 300ms;  // about 7500 packets at 38 Mbit/s
    Run();
    Tune(m_tuner, 10773000, BDA_POLARISATION_LINEAR_H, 27500, 1);
    ASSERT_TRUE(m_sink->WaitFor(2000));
    Stop();
    EXPECT_GT(m_card->Overruns(1), 1000u);
    EXPECT_EQ(m_card->Overruns(2), 0u);
    EXPECT_GT(m_sink->Take().continuityErrors, 0u) << "lost packets show as gaps";
}

}  // namespace
}  // namespace cardtest
