// The CI module in the test card's slot: the kernel's link layer (in the card's module) hands
// the daemon each whole TPDU the host sent, and this gives it to the simulated EN 50221 module's
// application side and sends its answers back the same way. The stream of a tuner passes
// through it while the slot routes the stream: scrambled packets of the programmes the host
// asked for in a ca_pmt leave clear, everything else as it came.
//
// Thread-safety: every method from any thread; the module's answers go out on a thread of its
// own, joined by the destructor.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <span>
#include <thread>
#include <vector>

#include "CaPmtSelection.h"
#include "ModuleQuirks.h"

namespace linuxdvb::en50221 {
class SimulatedModule;
}

namespace testcard {

class CamBridge {
public:
    // Sends the module's answer (connection id, then the TPDU) to the card; 0 or -errno.
    using Answer = std::function<int(std::span<const std::uint8_t> answer)>;

    // The module behaves as `quirks` say (ModuleQuirks.h).
    CamBridge(Answer answer, const linuxdvb::en50221::ModuleQuirks& quirks);
    ~CamBridge();
    CamBridge(const CamBridge&) = delete;
    CamBridge& operator=(const CamBridge&) = delete;

    // A TPDU from the host: connection id, then the TPDU.
    void FromHost(std::span<const std::uint8_t> data);
    // The slot was reset: the module starts afresh.
    void Reset();
    void Remove();
    void Insert();
    // Packets of a tuner's stream that carries `programmes` through the module, descrambled
    // where it was asked to.
    void PassThrough(std::span<std::uint8_t> packets, const std::set<std::uint16_t>& programmes);
    std::set<std::uint16_t> Programmes();

private:
    void Run();
    void Follow();

    const Answer m_answer;
    std::unique_ptr<linuxdvb::en50221::SimulatedModule> m_module;
    int m_fd = -1;
    std::mutex m_mutex;  // guards the two below
    CaPmtSelection m_selection;
    std::size_t m_caPmtsSeen = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace testcard
