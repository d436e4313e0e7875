#include "StepWatchdog.h"

#include <cstdio>
#include <cstdlib>

StepWatchdog::StepWatchdog(std::chrono::seconds limit)
    : m_limit(limit), m_thread([this] { Watch(); }) {}

StepWatchdog::~StepWatchdog() {
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void StepWatchdog::Begin(std::string what) {
    {
        std::lock_guard lock(m_mutex);
        m_step = std::move(what);
        m_deadline = std::chrono::steady_clock::now() + m_limit;
        m_armed = true;
    }
    m_changed.notify_all();
}

void StepWatchdog::End() {
    std::lock_guard lock(m_mutex);
    m_armed = false;
}

void StepWatchdog::Watch() {
    std::unique_lock lock(m_mutex);
    while (!m_closing) {
        if (!m_armed) {
            m_changed.wait(lock);
            continue;
        }
        const auto deadline = m_deadline;
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout && m_armed &&
            m_deadline == deadline) {
            std::fprintf(stderr, "fault run: %s did not finish within %lld s\n", m_step.c_str(),
                         static_cast<long long>(m_limit.count()));
            std::fflush(stderr);
            std::abort();
        }
    }
}
