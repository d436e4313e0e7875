// A look at a tuner's transport stream as the dvr reader delivers it, for parts of the driver
// that need to see tables go by (the CAM stack reads the PMTs it must pass to the module).
//
// Set and Clear may be called from any thread; the observer is called on the reader's thread
// with each block of whole 188-byte packets, before the program receives it, and must return
// quickly (it holds up the stream). Clear returns only when no call is in progress.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <span>

namespace linuxdvb {

class PacketTap {
public:
    using Observer = std::function<void(std::span<const std::uint8_t> packets)>;

    void Set(Observer observer) {
        std::lock_guard lock(m_mutex);
        m_observer = std::move(observer);
    }
    void Clear() { Set(nullptr); }

    // Reader side.
    void Show(std::span<const std::uint8_t> packets) {
        std::lock_guard lock(m_mutex);
        if (m_observer) m_observer(packets);
    }

private:
    std::mutex m_mutex;
    Observer m_observer;
};

}  // namespace linuxdvb
