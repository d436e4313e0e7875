#include "TestCardTest.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "../../../tuner/worker_fixture.h"
#include "../../guest/NoteTime.h"
#include "daemon/CommandSocket.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"

namespace testcard {
namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

TuneParameters SkyChannel::Parameters(bool diseqc) const {
    TuneParameters p;
    p.frequencyKHz = transponder->frequencyMHz * 1000;
    p.symbolRate = static_cast<std::int32_t>(transponder->symbolRate);
    p.onid = transponder->onid;
    p.tsid = transponder->tsid;
    p.sid = service < transponder->services.size() ? transponder->services[service].sid : -1;
    p.polarisation = transponder->polarisation == card::LinearPolarisation::Horizontal ? 1 : 2;
    p.lnbSource = diseqc ? static_cast<std::uint32_t>(position) : 0;
    return p;
}

std::uint32_t SkyChannel::IfKHz() const {
    return static_cast<std::uint32_t>(
        card::SignalModel::IntermediateMHz(transponder->frequencyMHz, highBand) * 1000);
}

TestCardTest::TestCardTest() {
    RegisterStandInClasses();
    linuxdvb::DvbCardOptions options;
    options.root = "/dev/dvb";
    options.io = m_kernel;
    // Spectrum steps at a real card's pace: the card answers each step's tune from user space,
    // which on a loaded machine without acceleration takes a good part of it.
    options.settleScale = 1.0;
    m_card = linuxdvb::InstallDvbCard(options);
}

TestCardTest::~TestCardTest() {
    ClearDevices();
    ClearComponentClasses();
}

std::unique_ptr<TunerGraph> TestCardTest::MakeGraph(std::int32_t tuner, std::uint32_t flags) {
    auto graph = std::make_unique<TunerGraph>(tuner, flags);
    graph->m_notifyThreadId = m_queue.ThreadId();
    graph->m_tunerNumber = tuner;
    return graph;
}

std::int32_t TestCardTest::RequestTune(TunerGraph& graph, const TuneParameters& parameters) {
    const auto index = static_cast<std::size_t>(graph.m_tunerNumber - 1);
    m_tuneRequested.at(index) = std::chrono::steady_clock::now();
    m_cardLockNoted.at(index) = false;
    return graph.RequestTune(parameters);
}

std::optional<BusEvent> TestCardTest::WaitForCardLock(std::int32_t tuner, std::size_t from) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::vector<BusEvent> log = BusLog();
        for (std::size_t i = from; i < log.size(); ++i) {
            if (log[i].tuner != tuner - 1 || log[i].kind != BusKind::Tune || !log[i].landed)
                continue;
            while (m_queue.TryTake()) {
            }
            // From the request through the program's LNB commands and the frontend's tune to
            // the card's answer, as the card's daemon saw it.
            const auto index = static_cast<std::size_t>(tuner - 1);
            if (m_tuneRequested.at(index) && !m_cardLockNoted.at(index)) {
                vm::NoteTime("tuner " + std::to_string(tuner) + ", request to the card's lock",
                             std::chrono::steady_clock::now() - *m_tuneRequested.at(index));
                m_cardLockNoted.at(index) = true;
            }
            return log[i];
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::nullopt;
}

std::optional<SignalStatus> TestCardTest::WaitForLock(std::int32_t tuner) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        std::optional<ThreadMessage> next = worker_test::NextMessage(m_queue, MSG_SIGNAL_STATUS);
        if (!next || next->wParam != static_cast<std::uintptr_t>(tuner)) continue;
        std::unique_ptr<SignalStatus> status = next->payload.Take<SignalStatus>();
        if (!status || status->quality <= 0) continue;
        // Bounded below by the worker's report period (about a second) after the card's lock.
        auto& requested = m_tuneRequested.at(static_cast<std::size_t>(tuner - 1));
        if (requested) {
            vm::NoteTime("tuner " + std::to_string(tuner) + ", request to the locked report",
                         std::chrono::steady_clock::now() - *requested);
            requested.reset();
        }
        return *status;
    }
    return std::nullopt;
}

SkyChannel TestCardTest::Channel(int position, bool highBand, int skip) const {
    for (const auto& t : m_sky.positions[static_cast<std::size_t>(position - 1)].transponders) {
        if (t.modulation != card::Modulation::DvbsQpsk ||
            (t.frequencyMHz >= card::kLnbSwitchMHz) != highBand || t.services.empty())
            continue;
        if (skip-- == 0) return {&t, position, highBand};
    }
    ADD_FAILURE() << "no DVB-S channel at position " << position;
    return {&m_sky.positions[0].transponders.front(), 1, false};
}

SkyChannel TestCardTest::ScrambledChannel(int position) const {
    for (const auto& t : m_sky.positions[static_cast<std::size_t>(position - 1)].transponders) {
        if (t.modulation != card::Modulation::DvbsQpsk) continue;
        for (std::size_t i = 0; i < t.services.size(); ++i)
            if (t.services[i].scrambled)
                return {&t, position, t.frequencyMHz >= card::kLnbSwitchMHz, i};
    }
    ADD_FAILURE() << "no scrambled service at position " << position;
    return Channel(position, false);
}

std::vector<std::uint8_t> TestCardTest::FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string TestCardTest::Ask(const std::string& command) {
    return AskTestCard(Environment("ORVALEN_TESTCARD_SOCKET"), command);
}

std::vector<BusEvent> TestCardTest::BusLog() {
    std::vector<BusEvent> events;
    std::ifstream log(Environment("ORVALEN_TESTCARD_BUS_LOG"));
    std::string line;
    while (std::getline(log, line))
        if (auto event = Parse(line)) events.push_back(std::move(*event));
    return events;
}

}  // namespace testcard
