// The user-space half of the test card: it opens the card's control device and plays what a
// hardware driver's hardware would be, the antenna side (Antenna), each tuner's stream
// (StreamFeeder), the CI module in the slot (CamBridge), and takes commands from the checks on its
// command socket. Every bus event is appended to the bus log, one line each (BusEvent.h), as it
// happens.
//
// Commands: "cable switch" (each tuner on its own cable behind a committed switch, the
// default), "cable single [PIN]" and "cable single2 [PIN]" (both tuners on one cable to an
// EN 50494 or an EN 50607 router, which takes only commands with PIN 0-255 if given), "cam out" and
// "cam in" (the CI module leaves or enters the slot), "unplug" (the card goes away as a
// hot-unplugged card does), "slow MS" (the card's events are read only every MS milliseconds, as
// by a listener that falls behind, so that the card loses some; "slow 0" reads them at once
// again), "status".
//
// Run() is the event loop, on the thread that calls it, until Stop() (any thread, e.g. a
// signal handler's flag through an eventfd) or until the control device fails.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "Antenna.h"
#include "CamBridge.h"
#include "CommandSocket.h"
#include "ControlDevice.h"
#include "FeedSet.h"
#include "ModuleQuirks.h"
#include "StreamFeeder.h"

namespace testcard {

struct DaemonOptions {
    std::string device = "/dev/kcard";
    std::string commandSocket = "/run/orvalen-testcard.sock";
    std::string busLog;      // where the bus events go; empty: nowhere
    double rateScale = 1.0;  // of each transponder's bit rate
    // How the CI module behaves: like which real modules (none: a well-behaved one).
    linuxdvb::en50221::ModuleQuirks camQuirks;
};

class TestCardDaemon {
public:
    explicit TestCardDaemon(const DaemonOptions& options);
    ~TestCardDaemon();

    // Empty when the daemon is ready to run, else why not.
    std::string Problem() const { return m_problem; }
    // 0 after Stop(), 1 when the control device failed.
    int Run();
    void Stop();

private:
    // The events waiting; false when the device failed.
    bool ReadEvents();
    void Handle(const ControlEvent& event);
    void Hello(const ControlEvent& event);
    void CamState(const ControlEvent& event);
    // A DiSEqC message or burst: onto the cable, then done.
    void Bus(const ControlEvent& event);
    void Tune(const ControlEvent& event);
    void Feed(const ControlEvent& event);
    void Log(const BusEvent& event);
    std::string Command(const std::string& command);
    // "switch", "single [PIN]" or "single2 [PIN]".
    std::string Recable(const std::string& how);
    static std::string CablingName(Cabling cabling);

    ControlDevice m_device;
    CommandSocket m_commands;
    std::ofstream m_busLog;
    Antenna m_antenna;
    CamBridge m_cam;
    std::array<FeedSet, 2> m_feeds;
    std::array<std::set<std::uint16_t>, 2> m_programmes;  // the services each tuner receives
    bool m_unplugged = false;
    std::uint64_t m_lost = 0;  // events the card said it dropped
    std::chrono::milliseconds m_slow{0};
    std::chrono::steady_clock::time_point m_nextRead;  // while slow
    std::array<std::unique_ptr<StreamFeeder>, 2> m_streams;
    int m_stopFd = -1;  // an eventfd that wakes the loop
    std::string m_problem;
};

}  // namespace testcard
