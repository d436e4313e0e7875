// The CI slot of one CA device and the module in it: a thread of its own watches the slot
// (inserted, ready, removed, reset), keeps the host stack's dialogue with the module going, and
// publishes what the module said (its name, the MMI object shown) under a mutex.
//
// Thread-safety: every public method may be called from any thread. The destructor stops the
// thread and joins it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "linuxdvb/en50221/CaLink.h"
#include "linuxdvb/en50221/HostStack.h"

namespace linuxdvb::en50221 {

class CamSlot {
public:
    // How often the slot's state is read, and how long a module may take to answer.
    static constexpr std::chrono::milliseconds kSlotCheckInterval{300};
    static constexpr std::chrono::milliseconds kResponseTimeout{1000};
    // Units the module sent on its own taken before a command, at most: a module that talks
    // without end must not starve the host's own commands.
    static constexpr int kMaxUnsolicited = 16;

    explicit CamSlot(std::unique_ptr<CaLink> link);
    ~CamSlot();
    CamSlot(const CamSlot&) = delete;
    CamSlot& operator=(const CamSlot&) = delete;

    enum class Result { Ok, NotReady, Invalid };

    bool ModulePresent() const;
    // Initialised by the link layer and talking to the host.
    bool ModuleReady() const;
    // How the module's application introduced itself, and the CA systems it listed.
    std::optional<HostStack::ApplicationInfo> Application() const;
    std::vector<std::uint16_t> CaSystemIds() const;
    // The module's name once its application has introduced itself.
    std::optional<std::string> CamName() const;

    // Resets the module (NotReady without one); any dialogue ends at once.
    Result Reset();
    // Asks for the module's menu / ends the dialogue. NotReady without an application.
    Result EnterMenu();
    Result CloseMmi();
    // The object shown and its id; none between dialogues.
    std::optional<std::pair<MmiDisplay, std::uint32_t>> Display() const;
    // Answers object `id`: Invalid when it is not the one shown, was answered already, is of
    // the other kind, or the choice is beyond its items (a list takes only 0, back).
    Result AnswerMenu(std::uint32_t id, std::uint32_t choice);
    Result AnswerEnquiry(std::uint32_t id, ByteView answer);

    // See HostStack::SetCaPmt.
    void SetCaPmt(int key, Bytes section);

private:
    using Clock = HostStack::Clock;

    void Run();
    void CheckSlot(std::unique_lock<std::mutex>& lock, Clock::time_point now);
    void Exchange(std::unique_lock<std::mutex>& lock, const Bytes& command);
    void TakeUnsolicited(std::unique_lock<std::mutex>& lock);
    Result CheckAnswer(std::uint32_t id, bool enquiry) const;
    void Wake();

    std::unique_ptr<CaLink> m_link;  // used by the slot's thread only

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    bool m_woken = false;
    bool m_resetRequested = false;
    bool m_present = false;
    bool m_ready = false;
    HostStack m_stack;

    std::thread m_thread;
};

}  // namespace linuxdvb::en50221
