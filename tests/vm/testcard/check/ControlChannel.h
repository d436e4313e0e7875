// The test card's control device seen from the checks: they play the card's hardware side
// themselves (answering tunes and bus messages, feeding packets, acting as the CAM) to prove the
// module through the kernel's own device nodes before the daemon does the same with the sky.
//
// Thread-safety: one thread at a time.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

extern "C" {
#include "tests/vm/testcard/kcard_uapi.h"
}

namespace testcard {

struct Event {
    kcard_msg msg{};
    std::vector<std::uint8_t> payload;

    template <typename T>
    T As() const {
        T value{};
        std::copy_n(payload.begin(), std::min(payload.size(), sizeof(T)),
                    reinterpret_cast<std::uint8_t*>(&value));
        return value;
    }
};

class ControlChannel {
public:
    // Opens /dev/kcard; Fd() is -1 and Error() says why when that failed.
    ControlChannel();
    ~ControlChannel();
    ControlChannel(const ControlChannel&) = delete;
    ControlChannel& operator=(const ControlChannel&) = delete;

    int Fd() const { return m_fd; }
    int Error() const { return m_error; }

    // Writes one command; 0 or the errno the module answered with.
    int Send(std::uint16_t type, std::uint8_t unit, std::span<const std::uint8_t> payload = {});
    template <typename T>
    int SendValue(std::uint16_t type, std::uint8_t unit, const T& value) {
        return Send(type, unit, {reinterpret_cast<const std::uint8_t*>(&value), sizeof(T)});
    }

    // The next event, or nothing after `wait`.
    std::optional<Event> Next(std::chrono::milliseconds wait);
    // The next event of `type` for `unit` (any unit when negative); the others are kept in
    // Skipped().
    std::optional<Event> Await(std::uint16_t type, int unit = -1,
                               std::chrono::milliseconds wait = std::chrono::milliseconds(2000));
    const std::vector<Event>& Skipped() const { return m_skipped; }
    void Drain();

private:
    int m_fd = -1;
    int m_error = 0;
    std::vector<Event> m_skipped;
};

}  // namespace testcard
