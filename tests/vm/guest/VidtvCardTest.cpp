#include "VidtvCardTest.h"

#include <fcntl.h>
#include <linux/dvb/frontend.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "../../tuner/worker_fixture.h"
#include "VidtvStream.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"

namespace vm {

TuneParameters VidtvChannel(const Transponder& transponder, std::uint32_t lnbSource) {
    return {transponder.KuKHz(),
            kVidtvSymbolRate,
            kVidtvNetworkId,
            kVidtvTransportStreamId,
            kVidtvServiceId,
            1,
            lnbSource};
}

int ThreadCount() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<int>(std::distance(begin(tasks), end(tasks)));
}

VidtvCardTest::VidtvCardTest() {
    RegisterStandInClasses();
    linuxdvb::DvbCardOptions options;
    options.root = kDvbRoot;
    options.io = m_kernel;
    options.settleScale = kSettleScale;
    m_card = linuxdvb::InstallDvbCard(options);
}

VidtvCardTest::~VidtvCardTest() {
    ClearDevices();
    ClearComponentClasses();
}

std::unique_ptr<TunerGraph> VidtvCardTest::MakeGraph(std::int32_t tuner, std::uint32_t flags) {
    auto graph = std::make_unique<TunerGraph>(tuner, flags);
    graph->m_notifyThreadId = m_queue.ThreadId();
    graph->m_tunerNumber = tuner;
    return graph;
}

void VidtvCardTest::Tune(TunerGraph& graph, const TuneParameters& parameters,
                         std::uint32_t expectedKHz) {
    const std::size_t before = m_kernel->TunedKHz().size();
    m_tuneRequested = std::chrono::steady_clock::now();
    m_tunedKHz = expectedKHz;
    ASSERT_EQ(graph.RequestTune(parameters), 0);
    const bool tuned = worker_test::WaitUntil([&] {
        const std::vector<std::uint32_t> tuned = m_kernel->TunedKHz();
        return tuned.size() > before && tuned.back() == expectedKHz;
    });
    ASSERT_TRUE(tuned) << "the frontend was not tuned to " << expectedKHz << " kHz";
    while (m_queue.TryTake()) {
    }
}

std::optional<SignalStatus> VidtvCardTest::WaitForLock() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        std::optional<ThreadMessage> next = worker_test::NextMessage(m_queue, MSG_SIGNAL_STATUS);
        if (!next) continue;
        std::unique_ptr<SignalStatus> status = next->payload.Take<SignalStatus>();
        if (status && status->quality > 0) {
            // Bounded below by the worker's report period (about a second), not by vidtv,
            // which locks as soon as its thread has carried out the tune.
            NoteTime("tune to " + std::to_string(m_tunedKHz / 1000) +
                         " MHz IF, request to locked report",
                     std::chrono::steady_clock::now() - m_tuneRequested);
            return *status;
        }
    }
    return std::nullopt;
}

std::vector<SignalStatus> VidtvCardTest::NextReports(int count) {
    std::vector<SignalStatus> reports;
    while (static_cast<int>(reports.size()) < count) {
        std::optional<ThreadMessage> next = worker_test::NextMessage(m_queue, MSG_SIGNAL_STATUS);
        if (!next) break;
        if (std::unique_ptr<SignalStatus> status = next->payload.Take<SignalStatus>())
            reports.push_back(*status);
    }
    return reports;
}

std::optional<std::int64_t> VidtvCardTest::VidtvStrength() {
    const int fd = ::open(kVidtvFrontend, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    // Reading the status is what makes vidtv refresh its statistics.
    fe_status_t status{};
    ::ioctl(fd, FE_READ_STATUS, &status);
    dtv_property property{};
    property.cmd = DTV_STAT_SIGNAL_STRENGTH;
    dtv_properties properties{1, &property};
    const bool read = ::ioctl(fd, FE_GET_PROPERTY, &properties) == 0 && property.u.st.len > 0 &&
                      property.u.st.stat[0].scale == FE_SCALE_DECIBEL;
    ::close(fd);
    if (!read) return std::nullopt;
    const std::int64_t strength = property.u.st.stat[0].svalue;  // a packed field: copied out
    return strength;
}

}  // namespace vm
