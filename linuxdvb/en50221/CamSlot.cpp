#include "linuxdvb/en50221/CamSlot.h"

#include <algorithm>

namespace linuxdvb::en50221 {

CamSlot::CamSlot(std::unique_ptr<CaLink> link)
    : m_link(std::move(link)), m_thread([this] { Run(); }) {}

CamSlot::~CamSlot() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void CamSlot::Wake() {
    m_woken = true;
    m_wake.notify_all();
}

void CamSlot::Run() {
    std::unique_lock lock(m_mutex);
    Clock::time_point nextCheck{};
    while (!m_stop) {
        auto now = Clock::now();
        if (m_resetRequested) {
            m_resetRequested = false;
            lock.unlock();
            m_link->Reset();
            lock.lock();
            nextCheck = now;  // see the module go down and come back as soon as it does
        }
        if (now >= nextCheck) {
            CheckSlot(lock, now);
            nextCheck = now + kSlotCheckInterval;
            continue;
        }
        if (m_ready) {
            // What the module sent on its own (late, stray, left from before a reset) is taken
            // now, so that it is never read as the answer to the next command.
            TakeUnsolicited(lock);
            if (m_stack.TakeResetRequest()) {
                m_stack.Disconnect();
                m_ready = false;
                m_resetRequested = true;
                continue;
            }
            now = Clock::now();
            if (const auto command = m_stack.NextCommand(now)) {
                Exchange(lock, *command);
                continue;
            }
        }
        const auto until = m_ready ? std::min(nextCheck, m_stack.NextDue()) : nextCheck;
        m_wake.wait_until(lock, until, [this] { return m_stop || m_woken; });
        m_woken = false;
    }
}

void CamSlot::CheckSlot(std::unique_lock<std::mutex>& lock, Clock::time_point now) {
    lock.unlock();
    const auto state = m_link->QuerySlot().value_or(CaLink::SlotState{});
    lock.lock();
    m_present = state.present;
    if (state.ready && !m_ready) m_stack.Connect(now);
    if (!state.ready && m_ready) m_stack.Disconnect();
    m_ready = state.ready;
}

void CamSlot::TakeUnsolicited(std::unique_lock<std::mutex>& lock) {
    for (int i = 0; i < kMaxUnsolicited; ++i) {
        lock.unlock();
        Bytes unit;
        const auto result = m_link->Read(unit, std::chrono::milliseconds(0));
        lock.lock();
        if (result != CaLink::ReadResult::Ok) return;
        m_stack.OnResponse(unit, Clock::now());
    }
}

void CamSlot::Exchange(std::unique_lock<std::mutex>& lock, const Bytes& command) {
    lock.unlock();
    Bytes response;
    auto result = CaLink::ReadResult::Error;
    if (m_link->Write(command)) result = m_link->Read(response, kResponseTimeout);
    lock.lock();
    const auto now = Clock::now();
    if (result == CaLink::ReadResult::Ok)
        m_stack.OnResponse(response, now);
    else
        m_stack.OnSilence(now);
}

bool CamSlot::ModulePresent() const {
    std::lock_guard lock(m_mutex);
    return m_present;
}

bool CamSlot::ModuleReady() const {
    std::lock_guard lock(m_mutex);
    return m_ready;
}

std::optional<HostStack::ApplicationInfo> CamSlot::Application() const {
    std::lock_guard lock(m_mutex);
    return m_stack.Application();
}

std::vector<std::uint16_t> CamSlot::CaSystemIds() const {
    std::lock_guard lock(m_mutex);
    return m_stack.CaSystemIds();
}

std::optional<std::string> CamSlot::CamName() const {
    std::lock_guard lock(m_mutex);
    return m_stack.CamName();
}

CamSlot::Result CamSlot::Reset() {
    std::lock_guard lock(m_mutex);
    if (!m_present) return Result::NotReady;
    m_stack.Disconnect();
    m_ready = false;
    m_resetRequested = true;
    Wake();
    return Result::Ok;
}

CamSlot::Result CamSlot::EnterMenu() {
    std::lock_guard lock(m_mutex);
    if (!m_stack.EnterMenu()) return Result::NotReady;
    Wake();
    return Result::Ok;
}

CamSlot::Result CamSlot::CloseMmi() {
    std::lock_guard lock(m_mutex);
    if (!m_stack.CamName()) return Result::NotReady;
    m_stack.CloseMmi();
    Wake();
    return Result::Ok;
}

std::optional<std::pair<MmiDisplay, std::uint32_t>> CamSlot::Display() const {
    std::lock_guard lock(m_mutex);
    if (!m_stack.Display()) return std::nullopt;
    return std::pair{*m_stack.Display(), m_stack.DisplayId()};
}

CamSlot::Result CamSlot::CheckAnswer(std::uint32_t id, bool enquiry) const {
    const auto& display = m_stack.Display();
    if (!display) return Result::NotReady;
    const bool isEnquiry = display->kind >= MmiDisplay::kEnquiry;
    if (id != m_stack.DisplayId() || m_stack.DisplayAnswered() || isEnquiry != enquiry)
        return Result::Invalid;
    return Result::Ok;
}

CamSlot::Result CamSlot::AnswerMenu(std::uint32_t id, std::uint32_t choice) {
    std::lock_guard lock(m_mutex);
    if (const Result result = CheckAnswer(id, false); result != Result::Ok) return result;
    const MmiDisplay& display = *m_stack.Display();
    // Lists are read, not chosen from; a menu without items offers nothing to choose.
    const bool chosen =
        display.kind == MmiDisplay::kMenu && display.count != MmiDisplay::kNoItemCount;
    const std::uint32_t choices = chosen ? display.count : 0;
    if (choice > choices) return Result::Invalid;
    if (!m_stack.AnswerMenu(static_cast<std::uint8_t>(choice))) return Result::NotReady;
    Wake();
    return Result::Ok;
}

CamSlot::Result CamSlot::AnswerEnquiry(std::uint32_t id, ByteView answer) {
    std::lock_guard lock(m_mutex);
    if (const Result result = CheckAnswer(id, true); result != Result::Ok) return result;
    if (!m_stack.AnswerEnquiry(answer)) return Result::NotReady;
    Wake();
    return Result::Ok;
}

void CamSlot::SetCaPmt(int key, Bytes body) {
    std::lock_guard lock(m_mutex);
    m_stack.SetCaPmt(key, std::move(body));
    Wake();
}

}  // namespace linuxdvb::en50221
