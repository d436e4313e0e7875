// Ends the process when one step of the fault run does not come back in time. A step that
// hangs (a worker that is never joined, a wait that never ends) would otherwise stall the whole
// suite without saying where; this says which step of which seed, then aborts.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class StepWatchdog {
public:
    explicit StepWatchdog(std::chrono::seconds limit);
    // Joins the watching thread.
    ~StepWatchdog();
    StepWatchdog(const StepWatchdog&) = delete;
    StepWatchdog& operator=(const StepWatchdog&) = delete;

    // The step `what` begins now and must finish within the limit.
    void Begin(std::string what);
    void End();

private:
    void Watch();

    const std::chrono::seconds m_limit;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_closing = false;
    bool m_armed = false;
    std::chrono::steady_clock::time_point m_deadline;
    std::string m_step;
    std::thread m_thread;  // last: starts once everything above exists
};
