#include "TestCardDaemon.h"

#include <linux/dvb/frontend.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>

#include "../kcard_uapi.h"
#include "Demodulator.h"
#include "card/Sky.h"

namespace testcard {

TestCardDaemon::TestCardDaemon(const DaemonOptions& options)
    : m_device(options.device),
      m_commands(options.commandSocket),
      m_antenna(card::DefaultSky()),
      m_cam(
          [this](std::span<const std::uint8_t> answer) {
              return m_device.Send(KCARD_CMD_CAM_DATA, 0, answer);
          },
          options.camQuirks),
      m_stopFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!m_device.Ok())
        m_problem = "cannot open " + options.device + ": " + std::strerror(errno);
    else if (!m_commands.Ok())
        m_problem = "cannot listen at " + options.commandSocket;
    if (!options.busLog.empty()) {
        m_busLog.open(options.busLog, std::ios::trunc);
        if (!m_busLog) m_problem = "cannot write " + options.busLog;
    }
    for (std::size_t unit = 0; unit < m_streams.size(); ++unit)
        m_streams[unit] = std::make_unique<StreamFeeder>(
            [this, unit](std::span<const std::uint8_t> packets) {
                return m_device.Send(KCARD_CMD_TS, static_cast<std::uint8_t>(unit), packets);
            },
            options.rateScale);
}

TestCardDaemon::~TestCardDaemon() {
    // The feeders write to the device: they go first.
    for (auto& stream : m_streams) stream.reset();
    if (m_stopFd >= 0) ::close(m_stopFd);
}

void TestCardDaemon::Stop() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_stopFd, &one, sizeof one);
}

int TestCardDaemon::Run() {
    for (;;) {
        // A slow listener leaves the device alone until its next read; commands still come.
        const auto rest = std::chrono::ceil<std::chrono::milliseconds>(
            m_nextRead - std::chrono::steady_clock::now());
        const bool resting = m_slow.count() > 0 && rest.count() > 0;
        pollfd fds[3] = {{resting ? -1 : m_device.Fd(), POLLIN, 0},
                         {m_commands.Fd(), POLLIN, 0},
                         {m_stopFd, POLLIN, 0}};
        if (::poll(fds, 3, resting ? static_cast<int>(rest.count()) : -1) < 0) {
            if (errno == EINTR) continue;
            return 1;
        }
        if (fds[2].revents) return 0;
        if (fds[1].revents & POLLIN)
            m_commands.Serve([this](const std::string& command) { return Command(command); });
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return 1;
        if ((fds[0].revents & POLLIN) && !ReadEvents()) return 1;
    }
}

bool TestCardDaemon::ReadEvents() {
    while (auto event = m_device.Next()) Handle(*event);
    m_nextRead = std::chrono::steady_clock::now() + m_slow;
    return !m_device.Failed();
}

void TestCardDaemon::Handle(const ControlEvent& event) {
    const int tuner = event.unit;
    const bool tunerEvent = tuner >= 0 && tuner < 2;
    switch (event.type) {
        case KCARD_EV_HELLO:
            Hello(event);
            break;
        case KCARD_EV_VOLTAGE:
            if (tunerEvent && event.Value())
                Log(m_antenna.Voltage(tuner, *event.Value(), event.timeNs));
            break;
        case KCARD_EV_TONE:
            if (tunerEvent && event.Value())
                Log(m_antenna.Tone(tuner, *event.Value(), event.timeNs));
            break;
        case KCARD_EV_DISEQC:
        case KCARD_EV_BURST:
            if (tunerEvent) Bus(event);
            break;
        case KCARD_EV_TUNE:
            if (tunerEvent) Tune(event);
            break;
        case KCARD_EV_FEED:
            if (tunerEvent) Feed(event);
            break;
        case KCARD_EV_CAM_TS:
            if (tunerEvent) {
                std::vector<std::uint8_t> packets = event.payload;
                m_cam.PassThrough(packets, m_programmes[event.unit]);
                m_device.Send(KCARD_CMD_CAM_TS, event.unit, packets);
            }
            break;
        case KCARD_EV_CAM_DATA:
            m_cam.FromHost(event.payload);
            break;
        case KCARD_EV_CAM_STATE:
            CamState(event);
            break;
        case KCARD_EV_UNPLUGGED:
            std::cerr << "orvalen-testcardd: the card was unplugged\n";
            m_unplugged = true;
            for (auto& stream : m_streams) stream->SetReception(nullptr, nullptr);
            m_programmes = {};
            break;
        case KCARD_EV_LOST:
            m_lost += event.Value().value_or(0);
            std::cerr << "orvalen-testcardd: the card dropped " << event.Value().value_or(0)
                      << " events\n";
            break;
        default:
            break;
    }
}

void TestCardDaemon::Hello(const ControlEvent& event) {
    kcard_hello hello;
    if (!ControlDevice::PayloadAs(event, hello)) return;
    std::cerr << "orvalen-testcardd: card version " << hello.version << ", layout " << hello.layout
              << ", tuners on adapter " << hello.tuner[0].adapter << " frontend "
              << hello.tuner[0].frontend << " and adapter " << hello.tuner[1].adapter
              << " frontend " << hello.tuner[1].frontend << ", CI on adapter " << hello.ca_adapter
              << "\n";
    // What the LNBs have now, as if the daemon had seen it happen.
    for (int t = 0; t < 2; ++t) {
        Log(m_antenna.Voltage(t, hello.tuner[t].voltage, event.timeNs));
        Log(m_antenna.Tone(t, hello.tuner[t].tone, event.timeNs));
    }
}

void TestCardDaemon::CamState(const ControlEvent& event) {
    kcard_cam_state state;
    if (!ControlDevice::PayloadAs(event, state)) return;
    if (state.state == KCARD_CAM_RESET || state.state == KCARD_CAM_SHUTDOWN) m_cam.Reset();
    std::cerr << "orvalen-testcardd: CI slot state " << state.state << "\n";
}

void TestCardDaemon::Bus(const ControlEvent& event) {
    const int tuner = event.unit;
    kcard_bus_done done{};
    if (event.type == KCARD_EV_DISEQC) {
        kcard_diseqc message;
        if (!ControlDevice::PayloadAs(event, message) || message.len > sizeof message.msg) return;
        done.seq = message.seq;
        Log(m_antenna.Message(tuner, std::span(message.msg, message.len), event.timeNs));
    } else {
        kcard_burst burst;
        if (!ControlDevice::PayloadAs(event, burst)) return;
        done.seq = burst.seq;
        Log(m_antenna.Burst(tuner, burst.burst, event.timeNs));
    }
    // The card cannot tell a garbled message from a good one: every send succeeds.
    m_device.SendStruct(KCARD_CMD_BUS_DONE, event.unit, done);
}

void TestCardDaemon::Tune(const ControlEvent& event) {
    kcard_tune request;
    if (!ControlDevice::PayloadAs(event, request)) return;
    const int tuner = event.unit;
    const Reception reception = m_antenna.Tune(tuner, request.frequency, request.symbol_rate);
    // The demodulator locks only on what the request names: the carrier's system, and on a
    // multistream carrier one of its input streams with that stream's scrambling code. What
    // locks is that one stream, with its own services.
    Reception kept = reception;
    if (reception.locked) {
        kept.locked = Demodulate(*reception.locked, request);
        if (!kept.locked) kept = {FE_HAS_SIGNAL, reception.strengthMilliDbm};
    }
    kcard_signal signal{};
    signal.tune_id = request.tune_id;
    signal.status = kept.status;
    signal.strength = kept.strengthMilliDbm;
    signal.cnr = kept.cnrMilliDb;
    m_device.SendStruct(KCARD_CMD_SIGNAL, event.unit, signal);
    m_streams[static_cast<std::size_t>(tuner)]->SetReception(kept.locked, kept.satellite);
    m_programmes[static_cast<std::size_t>(tuner)].clear();
    if (kept.locked)
        for (const card::Service& service : kept.locked->services)
            m_programmes[static_cast<std::size_t>(tuner)].insert(service.sid);
    Log(Antenna::TuneEvent(tuner, request.frequency, event.timeNs, kept));
}

void TestCardDaemon::Feed(const ControlEvent& event) {
    kcard_feed feed;
    if (!ControlDevice::PayloadAs(event, feed)) return;
    const std::size_t on = m_feeds[event.unit].Apply(feed.pid, feed.on != 0);
    m_streams[event.unit]->SetFeeds(static_cast<int>(on));
}

void TestCardDaemon::Log(const BusEvent& event) {
    if (m_busLog.is_open()) m_busLog << Format(event) << std::endl;
}

std::string TestCardDaemon::CablingName(Cabling cabling) {
    switch (cabling) {
        case Cabling::En50494:
            return "single";
        case Cabling::En50607:
            return "single2";
        case Cabling::Switch:
            break;
    }
    return "switch";
}

std::string TestCardDaemon::Recable(const std::string& how) {
    std::istringstream words(how);
    std::string name, pinWord, rest;
    words >> name >> pinWord >> rest;
    std::optional<std::uint8_t> pin;
    if (!pinWord.empty()) {
        unsigned value = 0;
        const auto [end, error] =
            std::from_chars(pinWord.data(), pinWord.data() + pinWord.size(), value);
        if (error != std::errc{} || end != pinWord.data() + pinWord.size() || value > 255)
            return "error: a PIN is 0-255";
        pin = static_cast<std::uint8_t>(value);
    }
    if (!rest.empty()) return "error: too many words";
    for (const Cabling cabling : {Cabling::Switch, Cabling::En50494, Cabling::En50607}) {
        if (name != CablingName(cabling)) continue;
        if (pin && cabling == Cabling::Switch) return "error: a PIN is for a router";
        m_antenna.SetCabling(cabling, pin);
        return "ok";
    }
    return "error: unknown cabling '" + name + "'";
}

std::string TestCardDaemon::Command(const std::string& command) {
    if (command.starts_with("cable ")) return Recable(command.substr(6));
    if (command == "cam out" || command == "cam in") {
        const std::uint32_t present = command == "cam in";
        if (present)
            m_cam.Insert();
        else
            m_cam.Remove();
        const int result = m_device.SendStruct(KCARD_CMD_CAM_PRESENT, 0, present);
        return result == 0 ? "ok" : "error: " + std::string(std::strerror(-result));
    }
    if (command == "unplug") {
        const int result = m_device.Send(KCARD_CMD_UNPLUG, 0, {});
        return result == 0 ? "ok" : "error: " + std::string(std::strerror(-result));
    }
    if (command.starts_with("slow ")) {
        const int ms = std::atoi(command.c_str() + 5);
        if (ms < 0) return "error: a negative pause";
        m_slow = std::chrono::milliseconds(ms);
        m_nextRead = std::chrono::steady_clock::now() + m_slow;
        return "ok";
    }
    if (command == "status") {
        return "ok cable " + CablingName(m_antenna.GetCabling()) +
               (m_unplugged ? " unplugged" : "") + " packets " +
               std::to_string(m_streams[0]->PacketsSent()) + " " +
               std::to_string(m_streams[1]->PacketsSent()) + " lost " + std::to_string(m_lost) +
               " descrambling " + std::to_string(m_cam.Programmes().size());
    }
    return "error: unknown command '" + command + "'";
}

}  // namespace testcard
