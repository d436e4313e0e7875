// What every check of the test card builds on: the card's frontends installed through the
// backend over the real kernel, graphs that post to a queue of their own each, the card's sky
// as the daemon plays it, the daemon's command socket and its bus log.
//
// Runs only inside the test machine, with the test card's module loaded and orvalen-testcardd
// running behind it (tests/vm/guest.sh), which names the socket and the log in
// ORVALEN_TESTCARD_SOCKET and ORVALEN_TESTCARD_BUS_LOG. Everything is on the test's thread
// except each graph's worker and stream reader.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../../guest/ObservedKernel.h"
#include "card/Sky.h"
#include "daemon/BusEvent.h"
#include "linuxdvb/InstallDvbCard.h"
#include "platform/ThreadMessageQueue.h"
#include "tuner/TunerGraph.h"
#include "tuner/WorkerMessages.h"

namespace testcard {

// Bounds for a loaded machine without acceleration; none of them is a statement about speed.
inline constexpr int kLockWaitMs = 30000;
// The level of a spectrum step read before the card answered its tune (or after it went): the
// top of the picture.
inline constexpr std::int32_t kUnreadLevel = 100000;

// A channel on the daemon's sky: a DVB-S transponder of `position` (1..4) in the band asked.
struct SkyChannel {
    const card::Transponder* transponder = nullptr;
    int position = 1;
    bool highBand = false;
    std::size_t service = 0;  // the one the tune request names

    TuneParameters Parameters(bool diseqc = true) const;
    std::uint32_t IfKHz() const;
};

class TestCardTest : public ::testing::Test {
protected:
    TestCardTest();
    ~TestCardTest() override;

    // `tuner` 1 or 2; every graph posts to m_queue.
    std::unique_ptr<TunerGraph> MakeGraph(std::int32_t tuner, std::uint32_t flags = 0);
    // graph.RequestTune, timed: the next WaitForCardLock and WaitForLock of the graph's tuner
    // note the time from this request to the lock they see.
    std::int32_t RequestTune(TunerGraph& graph, const TuneParameters& parameters);
    // The daemon's first locked tune of `tuner` (1 or 2) among the bus events from `from` on,
    // within kLockWaitMs. Reports queued before it are dropped, so that WaitForLock then reads
    // what the program makes of this lock.
    std::optional<BusEvent> WaitForCardLock(std::int32_t tuner, std::size_t from);
    // The first report of `tuner` with a quality above 0 within kLockWaitMs.
    std::optional<SignalStatus> WaitForLock(std::int32_t tuner);
    // The first DVB-S channel of `position` in the band asked.
    SkyChannel Channel(int position, bool highBand, int skip = 0) const;
    // The first scrambled service on a DVB-S transponder of `position`.
    SkyChannel ScrambledChannel(int position) const;

    // Sends a command to the daemon; its answer line.
    static std::string Ask(const std::string& command);
    // Every bus event the daemon has logged so far.
    static std::vector<BusEvent> BusLog();
    // What a recording wrote.
    static std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path);

    const card::Sky m_sky = card::DefaultSky();
    std::shared_ptr<vm::ObservedKernel> m_kernel = std::make_shared<vm::ObservedKernel>();
    std::shared_ptr<linuxdvb::DvbCard> m_card;
    ThreadMessageQueue m_queue;

private:
    // Per tuner, when its last timed tune was requested.
    std::array<std::optional<std::chrono::steady_clock::time_point>, 2> m_tuneRequested;
    std::array<bool, 2> m_cardLockNoted{};
};

}  // namespace testcard
