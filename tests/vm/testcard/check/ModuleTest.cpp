// The test card's module through the kernel's own devices, with this program playing the card's
// hardware side on /dev/kcard: the handshake, the nodes of the layout it was loaded with, the
// LNB bus round trip, tuning and levels, requests replayed at open, each tuner's stream reaching
// its own dvr, the CI slot's link and the stream through the CAM, events lost to a slow listener,
// and (last) the unplug.
//
// The module must be loaded (either layout) with a CI module in the slot and nothing else
// holding /dev/kcard.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/dvb/ca.h>
#include <linux/dvb/dmx.h>
#include <linux/dvb/frontend.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "ControlChannel.h"

namespace testcard {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

struct Fd {
    explicit Fd(const std::string& path, int flags = O_RDWR) : fd(::open(path.c_str(), flags)) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int fd;
};

std::string Node(std::uint32_t adapter, const char* kind, std::uint32_t number) {
    return "/dev/dvb/adapter" + std::to_string(adapter) + "/" + kind + std::to_string(number);
}

// Bytes a read gives within `wait`, up to `size`.
Bytes ReadFor(int fd, std::size_t size, std::chrono::milliseconds wait) {
    Bytes got;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (got.size() < size && std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 50) != 1 || !(pfd.revents & POLLIN)) continue;
        Bytes chunk(size - got.size());
        const auto n = ::read(fd, chunk.data(), chunk.size());
        if (n <= 0) break;
        got.insert(got.end(), chunk.begin(), chunk.begin() + n);
    }
    return got;
}

Bytes Packets(std::uint16_t pid, int count) {
    Bytes ts(188 * static_cast<std::size_t>(count), 0xff);
    for (int i = 0; i < count; ++i) {
        auto* p = &ts[188 * static_cast<std::size_t>(i)];
        p[0] = 0x47;
        p[1] = static_cast<std::uint8_t>(pid >> 8);
        p[2] = static_cast<std::uint8_t>(pid);
        p[3] = static_cast<std::uint8_t>(0x10 | (i & 0x0f));
    }
    return ts;
}

// A TS tap (the whole stream) on a demux, so its dvr carries every packet.
bool TapWholeStream(int demux) {
    dmx_pes_filter_params filter{};
    filter.pid = 0x2000;
    filter.input = DMX_IN_FRONTEND;
    filter.output = DMX_OUT_TS_TAP;
    filter.pes_type = DMX_PES_OTHER;
    filter.flags = DMX_IMMEDIATE_START;
    return ::ioctl(demux, DMX_SET_BUFFER_SIZE, 1 << 20) == 0 &&
           ::ioctl(demux, DMX_SET_PES_FILTER, &filter) == 0;
}

// A DVB-S2 tune; on a multistream carrier `streamId` picks the input stream and `goldCode` the
// physical-layer scrambling sequence.
int TuneDvbS2(int frontend, std::uint32_t khz, std::uint32_t streamId = NO_STREAM_ID_FILTER,
              std::uint32_t goldCode = 0) {
    dtv_property props[] = {
        {.cmd = DTV_CLEAR, .reserved = {}, .u = {}, .result = 0},
        {.cmd = DTV_DELIVERY_SYSTEM, .reserved = {}, .u = {.data = SYS_DVBS2}, .result = 0},
        {.cmd = DTV_FREQUENCY, .reserved = {}, .u = {.data = khz}, .result = 0},
        {.cmd = DTV_SYMBOL_RATE, .reserved = {}, .u = {.data = 27500000}, .result = 0},
        {.cmd = DTV_MODULATION, .reserved = {}, .u = {.data = PSK_8}, .result = 0},
        {.cmd = DTV_INNER_FEC, .reserved = {}, .u = {.data = FEC_3_4}, .result = 0},
        {.cmd = DTV_STREAM_ID, .reserved = {}, .u = {.data = streamId}, .result = 0},
        {.cmd = DTV_SCRAMBLING_SEQUENCE_INDEX,
         .reserved = {},
         .u = {.data = goldCode},
         .result = 0},
        {.cmd = DTV_TUNE, .reserved = {}, .u = {}, .result = 0},
    };
    dtv_properties all{static_cast<__u32>(std::size(props)), props};
    return ::ioctl(frontend, FE_SET_PROPERTY, &all) == 0 ? 0 : errno;
}

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_control.emplace();
        ASSERT_GE(m_control->Fd(), 0) << "/dev/kcard: " << std::strerror(m_control->Error());
        const auto hello = m_control->Next(2000ms);
        ASSERT_TRUE(hello && hello->msg.type == KCARD_EV_HELLO) << "no hello first";
        m_hello = hello->As<kcard_hello>();
        m_camTs = m_hello.cam_ts != 0;
        m_linkSize = m_hello.cam_link_size;
        ASSERT_EQ(m_control->SendValue<__u32>(KCARD_CMD_HELLO, 0, KCARD_VERSION), 0);
    }

    std::string Frontend(int tuner) const {
        return Node(m_hello.tuner[tuner].adapter, "frontend", m_hello.tuner[tuner].frontend);
    }
    std::string Demux(int tuner) const {
        return Node(m_hello.tuner[tuner].adapter, "demux", m_hello.tuner[tuner].frontend);
    }
    std::string Dvr(int tuner) const {
        return Node(m_hello.tuner[tuner].adapter, "dvr", m_hello.tuner[tuner].frontend);
    }
    std::string Ca() const { return Node(m_hello.ca_adapter, "ca", 0); }

    // Waits for the CA core to find the CI module ready and the stream routed through it.
    bool CamRunning() {
        Fd ca(Ca());
        for (int i = 0; i < 60; ++i) {
            m_control->Drain();
            const auto& seen = m_control->Skipped();
            for (; m_seen < seen.size(); ++m_seen) {
                if (seen[m_seen].msg.type != KCARD_EV_CAM_STATE) continue;
                const auto state = seen[m_seen].As<kcard_cam_state>();
                m_camTs = state.state == KCARD_CAM_TS_ON;
                if (state.state == KCARD_CAM_LINK_UP) m_linkSize = state.link_size;
            }
            ca_slot_info info{};
            info.num = 0;
            if (m_camTs && ::ioctl(ca.fd, CA_GET_SLOT_INFO, &info) == 0 &&
                (info.flags & CA_CI_MODULE_READY))
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    // Sends `tpdu` to the CAM on connection 1 through the CA device, as the host does.
    static bool WriteTpdu(int ca, Bytes tpdu) {
        tpdu.insert(tpdu.begin(), {0x00, 0x01});
        return ::write(ca, tpdu.data(), tpdu.size()) == static_cast<ssize_t>(tpdu.size());
    }

    std::optional<ControlChannel> m_control;
    kcard_hello m_hello{};
    std::uint32_t m_linkSize = 0;  // the CI link's buffer, as far as the events say
    bool m_camTs = false;          // the stream goes through the CAM, as far as the events say
    std::size_t m_seen = 0;        // skipped events looked at for it
};

TEST_F(ModuleTest, TheListenerMustGreetInItsVersionAndIsTheOnlyOne) {
    EXPECT_EQ(m_hello.version, static_cast<__u32>(KCARD_VERSION));
    EXPECT_EQ(m_hello.tuners, static_cast<__u32>(KCARD_TUNERS));
    const char* layout = std::getenv("VM_TESTCARD_LAYOUT");
    if (layout) {
        EXPECT_EQ(m_hello.layout, static_cast<__u32>(std::atoi(layout)));
    }
    ControlChannel second;
    EXPECT_EQ(second.Error(), EBUSY);

    // A listener that has not said hello yet is not heard; one of another version never.
    m_control.reset();
    m_control.emplace();
    kcard_signal signal{};
    EXPECT_EQ(m_control->SendValue(KCARD_CMD_SIGNAL, 0, signal), EPROTO);
    EXPECT_EQ(m_control->SendValue<__u32>(KCARD_CMD_HELLO, 0, KCARD_VERSION - 1), EPROTONOSUPPORT);
    EXPECT_EQ(m_control->SendValue<__u32>(KCARD_CMD_HELLO, 0, KCARD_VERSION), 0);
    EXPECT_EQ(m_control->SendValue(KCARD_CMD_SIGNAL, 0, signal), 0);
}

TEST_F(ModuleTest, EachTunerHasItsNodesAndOffersDvbSAndS2WithMultistream) {
    for (int tuner = 0; tuner < KCARD_TUNERS; ++tuner) {
        Fd frontend(Frontend(tuner), O_RDONLY);
        ASSERT_GE(frontend.fd, 0) << Frontend(tuner);
        EXPECT_EQ(::access(Demux(tuner).c_str(), F_OK), 0) << Demux(tuner);
        EXPECT_EQ(::access(Dvr(tuner).c_str(), F_OK), 0) << Dvr(tuner);
        dvb_frontend_info info{};
        ASSERT_EQ(::ioctl(frontend.fd, FE_GET_INFO, &info), 0);
        EXPECT_NE(std::string(info.name).find("tuner " + std::to_string(tuner)), std::string::npos);
        EXPECT_TRUE(info.caps & FE_CAN_MULTISTREAM);
        dtv_property prop{.cmd = DTV_ENUM_DELSYS, .reserved = {}, .u = {}, .result = 0};
        dtv_properties props{1, &prop};
        ASSERT_EQ(::ioctl(frontend.fd, FE_GET_PROPERTY, &props), 0);
        ASSERT_EQ(prop.u.buffer.len, 2u);
        EXPECT_EQ(prop.u.buffer.data[0], SYS_DVBS);
        EXPECT_EQ(prop.u.buffer.data[1], SYS_DVBS2);
    }
    EXPECT_EQ(::access(Ca().c_str(), F_OK), 0) << Ca();
    if (m_hello.layout == KCARD_LAYOUT_ONE_ADAPTER)
        EXPECT_EQ(m_hello.tuner[0].adapter, m_hello.tuner[1].adapter);
    else
        EXPECT_NE(m_hello.tuner[0].adapter, m_hello.tuner[1].adapter);
}

TEST_F(ModuleTest, LnbBusMessagesGoOutPerTunerAndWaitForTheBusAndItsAnswer) {
    Fd frontend(Frontend(1));
    ASSERT_GE(frontend.fd, 0);
    ASSERT_EQ(::ioctl(frontend.fd, FE_SET_VOLTAGE, SEC_VOLTAGE_18), 0);
    ASSERT_EQ(::ioctl(frontend.fd, FE_SET_TONE, SEC_TONE_OFF), 0);
    auto voltage = m_control->Await(KCARD_EV_VOLTAGE, 1);
    ASSERT_TRUE(voltage);
    EXPECT_EQ(voltage->As<__u32>(), static_cast<__u32>(SEC_VOLTAGE_18));
    auto tone = m_control->Await(KCARD_EV_TONE, 1);
    ASSERT_TRUE(tone);
    EXPECT_EQ(tone->As<__u32>(), static_cast<__u32>(SEC_TONE_OFF));

    dvb_diseqc_master_cmd cmd{{0xE2, 0x10, 0x38, 0xF3}, 4};
    const auto started = std::chrono::steady_clock::now();
    auto sent = std::async(std::launch::async, [&] {
        const int result = ::ioctl(frontend.fd, FE_DISEQC_SEND_MASTER_CMD, &cmd) == 0 ? 0 : errno;
        return std::make_pair(result, std::chrono::steady_clock::now() - started);
    });
    auto message = m_control->Await(KCARD_EV_DISEQC, 1);
    ASSERT_TRUE(message);
    const auto diseqc = message->As<kcard_diseqc>();
    EXPECT_EQ(Bytes(diseqc.msg, diseqc.msg + diseqc.len), Bytes({0xE2, 0x10, 0x38, 0xF3}));
    EXPECT_EQ(diseqc.duration_us, 4 * 13500u + 15000u);
    kcard_bus_done done{diseqc.seq, 0, 1, {0xE4, 0, 0, 0}};
    kcard_bus_done stale = done;
    stale.seq += 1;
    EXPECT_EQ(m_control->SendValue(KCARD_CMD_BUS_DONE, 1, stale), ESTALE);
    EXPECT_EQ(m_control->SendValue(KCARD_CMD_BUS_DONE, 1, done), 0);
    const auto [result, took] = sent.get();
    EXPECT_EQ(result, 0);
    EXPECT_GE(took, std::chrono::microseconds(diseqc.duration_us));
    dvb_diseqc_slave_reply reply{};
    ASSERT_EQ(::ioctl(frontend.fd, FE_DISEQC_RECV_SLAVE_REPLY, &reply), 0);
    EXPECT_EQ(Bytes(reply.msg, reply.msg + reply.msg_len), Bytes({0xE4}));
    EXPECT_EQ(::ioctl(frontend.fd, FE_DISEQC_RECV_SLAVE_REPLY, &reply), -1);

    // Nobody answers the burst: the hardware side is hung, and the ioctl says so.
    EXPECT_EQ(::ioctl(frontend.fd, FE_DISEQC_SEND_BURST, SEC_MINI_B), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
    auto burst = m_control->Await(KCARD_EV_BURST, 1);
    ASSERT_TRUE(burst);
    EXPECT_EQ(burst->As<kcard_burst>().burst, static_cast<__u32>(SEC_MINI_B));
    cmd.msg_len = 2;
    EXPECT_EQ(::ioctl(frontend.fd, FE_DISEQC_SEND_MASTER_CMD, &cmd), -1);
    EXPECT_EQ(errno, EINVAL);
}

TEST_F(ModuleTest, ATuneGoesOutWithItsInputStreamAndOnlyItsOwnAnswerLocksWithLevelsInDecibels) {
    Fd frontend(Frontend(0));
    ASSERT_GE(frontend.fd, 0);
    ASSERT_EQ(TuneDvbS2(frontend.fd, 1234000, 5, 8), 0);
    auto event = m_control->Await(KCARD_EV_TUNE, 0);
    ASSERT_TRUE(event);
    const auto tune = event->As<kcard_tune>();
    EXPECT_EQ(tune.delivery_system, static_cast<__u32>(SYS_DVBS2));
    EXPECT_EQ(tune.frequency, 1234000u);
    EXPECT_EQ(tune.symbol_rate, 27500000u);
    EXPECT_EQ(tune.modulation, static_cast<__u32>(PSK_8));
    EXPECT_EQ(tune.fec, static_cast<__u32>(FEC_3_4));
    EXPECT_EQ(tune.stream_id, 5u);
    EXPECT_EQ(tune.scrambling_sequence_index, 8u);

    const __u32 locked =
        FE_HAS_SIGNAL | FE_HAS_CARRIER | FE_HAS_VITERBI | FE_HAS_SYNC | FE_HAS_LOCK;
    kcard_signal signal{tune.tune_id + 1, locked, -45000, 12500};
    EXPECT_EQ(m_control->SendValue(KCARD_CMD_SIGNAL, 0, signal), ESTALE);
    fe_status_t status{};
    ASSERT_EQ(::ioctl(frontend.fd, FE_READ_STATUS, &status), 0);
    EXPECT_FALSE(status & FE_HAS_LOCK);
    signal.tune_id = tune.tune_id;
    ASSERT_EQ(m_control->SendValue(KCARD_CMD_SIGNAL, 0, signal), 0);
    ASSERT_EQ(::ioctl(frontend.fd, FE_READ_STATUS, &status), 0);
    EXPECT_EQ(status & locked, locked);

    dtv_property stats[2] = {
        {.cmd = DTV_STAT_SIGNAL_STRENGTH, .reserved = {}, .u = {}, .result = 0},
        {.cmd = DTV_STAT_CNR, .reserved = {}, .u = {}, .result = 0}};
    dtv_properties props{2, stats};
    ASSERT_EQ(::ioctl(frontend.fd, FE_GET_PROPERTY, &props), 0);
    EXPECT_EQ(stats[0].u.st.stat[0].scale, FE_SCALE_DECIBEL);
    EXPECT_EQ(stats[0].u.st.stat[0].svalue, -45000);
    EXPECT_EQ(stats[1].u.st.stat[0].scale, FE_SCALE_DECIBEL);
    EXPECT_EQ(stats[1].u.st.stat[0].svalue, 12500);

    // No signal: no level either, whatever was measured before.
    signal.status = 0;
    ASSERT_EQ(m_control->SendValue(KCARD_CMD_SIGNAL, 0, signal), 0);
    ASSERT_EQ(::ioctl(frontend.fd, FE_READ_STATUS, &status), 0);
    ASSERT_EQ(::ioctl(frontend.fd, FE_GET_PROPERTY, &props), 0);
    EXPECT_EQ(stats[0].u.st.stat[0].scale, FE_SCALE_NOT_AVAILABLE);
}

TEST_F(ModuleTest, TunesAndFeedsFromBeforeTheOpenAreReplayedAfterTheHello) {
    m_control.reset();
    Fd frontend(Frontend(1));
    Fd demux(Demux(1));
    ASSERT_GE(frontend.fd, 0);
    ASSERT_GE(demux.fd, 0);
    ASSERT_EQ(TuneDvbS2(frontend.fd, 1456000), 0);
    dmx_pes_filter_params filter{0x123, DMX_IN_FRONTEND, DMX_OUT_TAP, DMX_PES_OTHER,
                                 DMX_IMMEDIATE_START};
    ASSERT_EQ(::ioctl(demux.fd, DMX_SET_PES_FILTER, &filter), 0);
    std::this_thread::sleep_for(200ms);  // the frontend thread sends the tune

    m_control.emplace();
    auto hello = m_control->Next(2000ms);
    ASSERT_TRUE(hello && hello->msg.type == KCARD_EV_HELLO);
    const auto state = hello->As<kcard_hello>();
    EXPECT_NE(state.tuner[1].tune_id, 0u);
    auto tune = m_control->Await(KCARD_EV_TUNE, 1);
    ASSERT_TRUE(tune);
    EXPECT_TRUE(tune->msg.flags & KCARD_MSG_REPLAY);
    EXPECT_EQ(tune->As<kcard_tune>().frequency, 1456000u);
    EXPECT_EQ(tune->As<kcard_tune>().tune_id, state.tuner[1].tune_id);
    auto feed = m_control->Await(KCARD_EV_FEED, 1);
    ASSERT_TRUE(feed);
    EXPECT_TRUE(feed->msg.flags & KCARD_MSG_REPLAY);
    EXPECT_EQ(feed->As<kcard_feed>().pid, 0x123);
}

TEST_F(ModuleTest, InBypassEachTunersPacketsReachOnlyItsOwnDvr) {
    ASSERT_EQ(m_control->SendValue<__u32>(KCARD_CMD_CAM_PRESENT, 0, 0), 0);
    Fd demux0(Demux(0)), demux1(Demux(1));
    Fd dvr0(Dvr(0), O_RDONLY | O_NONBLOCK), dvr1(Dvr(1), O_RDONLY | O_NONBLOCK);
    ASSERT_TRUE(TapWholeStream(demux0.fd) && TapWholeStream(demux1.fd));
    auto feed = m_control->Await(KCARD_EV_FEED, 1);
    ASSERT_TRUE(feed);
    EXPECT_EQ(feed->As<kcard_feed>().pid, 0x2000);

    const auto ts = Packets(0x100, 10);
    ASSERT_EQ(m_control->Send(KCARD_CMD_TS, 1, ts), 0);
    EXPECT_EQ(ReadFor(dvr1.fd, ts.size(), 1000ms), ts);
    EXPECT_TRUE(ReadFor(dvr0.fd, 188, 200ms).empty());
    EXPECT_EQ(m_control->Send(KCARD_CMD_TS, 1, Bytes(100, 0x47)), EINVAL);
    ASSERT_EQ(m_control->SendValue<__u32>(KCARD_CMD_CAM_PRESENT, 0, 1), 0);
}

TEST_F(ModuleTest, TheCiLinkCarriesWholeTpdusBothWays) {
    ASSERT_TRUE(CamRunning());
    Fd ca(Ca());
    ASSERT_GE(ca.fd, 0);
    const Bytes create{0x00, 0x01, 0x82, 0x01, 0x01};  // slot 0, connection 1: create_t_c
    ASSERT_EQ(::write(ca.fd, create.data(), create.size()), static_cast<ssize_t>(create.size()));
    auto in = m_control->Await(KCARD_EV_CAM_DATA, 0);
    ASSERT_TRUE(in);
    EXPECT_EQ(in->payload, Bytes({0x01, 0x82, 0x01, 0x01}));

    // An answer longer than the link's buffer crosses it in pieces and arrives whole.
    Bytes answer{0x01, 0xA0, 0x82, 0x05, 0xE0, 0x01};
    answer.resize(1505, 0x5A);
    ASSERT_EQ(m_control->Send(KCARD_CMD_CAM_DATA, 0, answer), 0);
    Bytes expected{0x00};
    expected.insert(expected.end(), answer.begin(), answer.end());
    EXPECT_EQ(ReadFor(ca.fd, expected.size(), 2000ms), expected);
}

TEST_F(ModuleTest, OnceTheKernelEnablesItTheStreamPassesThroughTheCam) {
    ASSERT_TRUE(CamRunning());
    Fd demux(Demux(0));
    Fd dvr(Dvr(0), O_RDONLY | O_NONBLOCK);
    ASSERT_TRUE(TapWholeStream(demux.fd));
    const auto ts = Packets(0x200, 4);
    ASSERT_EQ(m_control->Send(KCARD_CMD_TS, 0, ts), 0);
    auto into = m_control->Await(KCARD_EV_CAM_TS, 0);
    ASSERT_TRUE(into);
    EXPECT_EQ(into->payload, ts);
    EXPECT_TRUE(ReadFor(dvr.fd, 188, 200ms).empty()) << "the stream went around the CAM";
    auto clear = ts;
    clear[4] = 0x42;
    ASSERT_EQ(m_control->Send(KCARD_CMD_CAM_TS, 0, clear), 0);
    EXPECT_EQ(ReadFor(dvr.fd, clear.size(), 1000ms), clear);

    // The CAM leaves: what it still sends is refused and the stream goes straight in.
    ASSERT_EQ(m_control->SendValue<__u32>(KCARD_CMD_CAM_PRESENT, 0, 0), 0);
    EXPECT_EQ(m_control->Send(KCARD_CMD_CAM_TS, 0, clear), ENOLINK);
    ASSERT_EQ(m_control->Send(KCARD_CMD_TS, 0, ts), 0);
    EXPECT_EQ(ReadFor(dvr.fd, ts.size(), 1000ms), ts);
    ASSERT_EQ(m_control->SendValue<__u32>(KCARD_CMD_CAM_PRESENT, 0, 1), 0);
    EXPECT_TRUE(CamRunning()) << "the CAM did not come back";
}

TEST_F(ModuleTest, MalformedCommandsAreRefusedAndRandomOnesHarmNothing) {
    const int fd = m_control->Fd();
    const std::uint8_t shortHeader[8] = {};
    EXPECT_EQ(::write(fd, shortHeader, sizeof(shortHeader)), -1);
    kcard_msg lying{KCARD_CMD_SIGNAL, 0, 0, 100, 0};  // says 100 bytes, carries none
    EXPECT_EQ(::write(fd, &lying, sizeof(lying)), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(m_control->Send(0x7e, 0), EINVAL);
    EXPECT_EQ(m_control->Send(KCARD_CMD_SIGNAL, 0, Bytes(15)), EINVAL);
    kcard_signal signal{};
    EXPECT_EQ(m_control->SendValue(KCARD_CMD_SIGNAL, KCARD_TUNERS, signal), EINVAL);
    kcard_bus_done positive{1, 5, 0, {}};
    EXPECT_EQ(m_control->SendValue(KCARD_CMD_BUS_DONE, 0, positive), EINVAL);
    kcard_bus_done internal{1, -512, 0, {}};  // ERESTARTSYS: the kernel's own, never a caller's
    EXPECT_EQ(m_control->SendValue(KCARD_CMD_BUS_DONE, 0, internal), EINVAL);
    kcard_bus_done longReply{1, 0, 5, {}};
    EXPECT_EQ(m_control->SendValue(KCARD_CMD_BUS_DONE, 0, longReply), EINVAL);
    EXPECT_EQ(m_control->Send(KCARD_CMD_TS, 0, Bytes(187, 0x47)), EINVAL);
    EXPECT_EQ(m_control->Send(KCARD_CMD_TS, KCARD_TUNERS, Packets(0x100, 1)), EINVAL);
    EXPECT_EQ(m_control->Send(KCARD_CMD_CAM_DATA, 0, Bytes{0x01}), EINVAL);
    EXPECT_EQ(m_control->Send(KCARD_CMD_CAM_DATA, 1, Bytes{0x01, 0x80, 0x00}), EINVAL);
    EXPECT_EQ(m_control->Send(KCARD_CMD_UNPLUG, 0, Bytes{0x01}), EINVAL);

    // Random commands of every type but the unplug, then the card still answers as before.
    std::uint32_t state = 0x2545F491;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    for (int i = 0; i < 2000; ++i) {
        Bytes payload(next() % 400);
        for (auto& b : payload) b = static_cast<std::uint8_t>(next());
        auto type = static_cast<std::uint16_t>(KCARD_CMD_SIGNAL + next() % 6);
        if (type == KCARD_CMD_CAM_PRESENT) type = KCARD_CMD_SIGNAL;  // keeps the CAM in
        if (payload.size() % 188 == 0 && !payload.empty()) payload[0] = 0x47;
        m_control->Send(type, static_cast<std::uint8_t>(next() % 3), payload);
        if (i % 100 == 0) m_control->Drain();
    }
    Fd frontend(Frontend(0), O_RDONLY);
    fe_status_t status{};
    EXPECT_EQ(::ioctl(frontend.fd, FE_READ_STATUS, &status), 0);
    EXPECT_TRUE(CamRunning()) << "random CAM data broke the CI link for good";
}

TEST_F(ModuleTest, TheLongestTpduReachesTheListenerAndALongerOneIsDroppedWhole) {
    ASSERT_TRUE(CamRunning());
    Fd ca(Ca());
    ASSERT_GE(ca.fd, 0);
    // With its connection id the longest one fills an event to the byte.
    Bytes longest(KCARD_MAX_PAYLOAD - 1, 0xA5);
    ASSERT_TRUE(WriteTpdu(ca.fd, longest));
    auto in = m_control->Await(KCARD_EV_CAM_DATA, 0, 10000ms);
    ASSERT_TRUE(in) << "the control channel is stuck";
    EXPECT_EQ(in->payload.size(), static_cast<std::size_t>(KCARD_MAX_PAYLOAD));

    // One byte more: nothing of it arrives, not even its tail, and the next one does.
    ASSERT_TRUE(WriteTpdu(ca.fd, Bytes(KCARD_MAX_PAYLOAD, 0x5A)));
    const Bytes create{0x82, 0x01, 0x01};
    ASSERT_TRUE(WriteTpdu(ca.fd, create));
    in = m_control->Await(KCARD_EV_CAM_DATA, 0, 10000ms);
    ASSERT_TRUE(in) << "the control channel is stuck";
    EXPECT_EQ(in->payload, Bytes({0x01, 0x82, 0x01, 0x01}));
}

TEST_F(ModuleTest, AnAnswerTheHostCouldNotTakeWholeIsRefused) {
    ASSERT_TRUE(CamRunning());
    ASSERT_GE(m_linkSize, 16u);
    // The CA core's 64 KiB ring takes a link packet (and 3 bytes of its own) only with room for
    // a whole one, and hands the TPDU over once its last packet is in.
    const std::size_t packets = (65535 - 1) / (m_linkSize + 3);
    Bytes answer{0x01, 0xA0};
    answer.resize(1 + packets * (m_linkSize - 2), 0x33);
    answer.push_back(0x33);
    EXPECT_EQ(m_control->Send(KCARD_CMD_CAM_DATA, 0, answer), EMSGSIZE);
    answer.pop_back();
    Fd ca(Ca());
    ASSERT_GE(ca.fd, 0);
    // What earlier checks left in the ring goes first: the longest answer needs all of it.
    while (!ReadFor(ca.fd, 1 << 16, 300ms).empty()) {
    }
    ASSERT_EQ(m_control->Send(KCARD_CMD_CAM_DATA, 0, answer), 0);
    Bytes expected{0x00};
    expected.insert(expected.end(), answer.begin(), answer.end());
    EXPECT_EQ(ReadFor(ca.fd, expected.size(), 10000ms), expected);
}

TEST_F(ModuleTest, AnEventTheReaderCouldNotTakeStaysFirstInLine) {
    Fd frontend(Frontend(0));
    ASSERT_GE(frontend.fd, 0);
    m_control->Drain();
    ASSERT_EQ(::ioctl(frontend.fd, FE_SET_VOLTAGE, SEC_VOLTAGE_13), 0);
    pollfd pfd{m_control->Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&pfd, 1, 2000), 1);
    void* unwritable = ::mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(unwritable, MAP_FAILED);
    EXPECT_EQ(::read(m_control->Fd(), unwritable, 4096), -1);
    EXPECT_EQ(errno, EFAULT);
    ::munmap(unwritable, 4096);
    auto event = m_control->Next(0ms);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->msg.type, KCARD_EV_VOLTAGE);
    EXPECT_EQ(event->As<__u32>(), static_cast<__u32>(SEC_VOLTAGE_13));
}

// Last before the unplug: on a module that mishandles it the kernel oopses.
TEST_F(ModuleTest, EventsAListenerTooSlowLostAreCountedAndTheCardGoesOn) {
    Fd frontend(Frontend(1));
    ASSERT_GE(frontend.fd, 0);
    m_control->Drain();
    long voltages = 0, lost = 0, gaps = 0;
    auto count = [&](const Event& event) {
        if (event.msg.type == KCARD_EV_VOLTAGE && event.msg.unit == 1) ++voltages;
        if (event.msg.type == KCARD_EV_LOST) {
            lost += event.As<__u32>();
            ++gaps;
        }
    };
    // More than the queue holds; every one is either read or counted as lost.
    constexpr int sent = 8192 + 64;
    for (int i = 0; i < sent; ++i) {
        ASSERT_EQ(::ioctl(frontend.fd, FE_SET_VOLTAGE, i % 2 ? SEC_VOLTAGE_18 : SEC_VOLTAGE_13), 0)
            << "voltage " << i << ": " << std::strerror(errno);
        // Some room now and then, so that a gap is also reported amid the events.
        if (i > 8192 && i % 16 == 0)
            if (auto event = m_control->Next(0ms)) count(*event);
    }
    while (auto event = m_control->Next(200ms)) count(*event);
    EXPECT_GT(lost, 0);
    EXPECT_GT(gaps, 1) << "no gap reported amid the events";
    EXPECT_EQ(voltages + lost, sent);
    ASSERT_EQ(::ioctl(frontend.fd, FE_SET_VOLTAGE, SEC_VOLTAGE_OFF), 0);
    auto voltage = m_control->Await(KCARD_EV_VOLTAGE, 1);
    ASSERT_TRUE(voltage);
    EXPECT_EQ(voltage->As<__u32>(), static_cast<__u32>(SEC_VOLTAGE_OFF));
}

// Runs last (the shell runs it on its own): the card is gone afterwards.
TEST_F(ModuleTest, UnplugIsSaidAtOnceEmptiesTheSlotAndTheDevicesGoOnceClosed) {
    ASSERT_TRUE(CamRunning());
    auto frontend = std::make_unique<Fd>(Frontend(0));
    auto dvr = std::make_unique<Fd>(Dvr(1), O_RDONLY);
    auto ca = std::make_unique<Fd>(Ca());
    ASSERT_GE(frontend->fd, 0);
    ASSERT_GE(dvr->fd, 0);
    ASSERT_GE(ca->fd, 0);
    ASSERT_EQ(m_control->Send(KCARD_CMD_UNPLUG, 0), 0);
    fe_status_t status{};
    EXPECT_EQ(::ioctl(frontend->fd, FE_READ_STATUS, &status), -1);
    EXPECT_EQ(errno, ENODEV);
    kcard_signal signal{};
    EXPECT_EQ(m_control->SendValue(KCARD_CMD_SIGNAL, 0, signal), ENODEV);
    // The listener hears it while every device is still open.
    EXPECT_TRUE(m_control->Await(KCARD_EV_UNPLUGGED, -1, 2000ms));
    // The dvr's reader too, though dvb-core waits for it before the card is gone.
    pollfd pfd{dvr->fd, POLLIN, 0};
    EXPECT_EQ(::poll(&pfd, 1, 1000), 1);
    EXPECT_TRUE(pfd.revents & POLLERR);
    std::uint8_t packet[188];
    EXPECT_EQ(::read(dvr->fd, packet, sizeof(packet)), -1);
    EXPECT_EQ(errno, ENODEV);
    // The CA core learns that the module left with the card: the slot reads empty.
    ca_slot_info info{};
    for (int i = 0; i < 40; ++i) {
        info.num = 0;
        ASSERT_EQ(::ioctl(ca->fd, CA_GET_SLOT_INFO, &info), 0);
        if (!(info.flags & CA_CI_MODULE_PRESENT)) break;
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(info.flags & (CA_CI_MODULE_PRESENT | CA_CI_MODULE_READY), 0);

    dvr.reset();
    frontend.reset();
    ca.reset();
    for (int i = 0; i < 100 && ::access(Ca().c_str(), F_OK) == 0; ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_NE(::access(Frontend(0).c_str(), F_OK), 0);
    EXPECT_NE(::access(Ca().c_str(), F_OK), 0);
    EXPECT_EQ(m_control->Send(KCARD_CMD_UNPLUG, 0), ENODEV);
}

}  // namespace
}  // namespace testcard
