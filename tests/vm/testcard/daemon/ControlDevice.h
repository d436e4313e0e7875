// The test card's control device (/dev/kcard) as the daemon uses it: one event per read, one
// command per write, each a struct kcard_msg and its payload (kcard_uapi.h).
//
// Thread-safety: Next is for the event loop only; Send may be called from any thread (each
// command is one write, which the module takes whole).
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace testcard {

struct ControlEvent {
    std::uint16_t type = 0;
    std::uint8_t unit = 0;
    bool replay = false;  // restates a request made before the device was opened
    std::uint64_t timeNs = 0;
    std::vector<std::uint8_t> payload;
    // The payload as one 32-bit value, when it is exactly that.
    std::optional<std::uint32_t> Value() const;
};

class ControlDevice {
public:
    // Opens `path` and says hello with the protocol version this program speaks; Ok() says
    // whether both worked.
    explicit ControlDevice(const std::string& path);
    ~ControlDevice();
    ControlDevice(const ControlDevice&) = delete;
    ControlDevice& operator=(const ControlDevice&) = delete;

    bool Ok() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    // The next event if one is waiting; nothing when none is (the device is non-blocking) or
    // the device failed (then Failed() is true).
    std::optional<ControlEvent> Next();
    bool Failed() const { return m_failed; }
    // 0 or the negative errno of the write.
    int Send(std::uint16_t type, std::uint8_t unit, std::span<const std::uint8_t> payload);

    // Copies the payload into `value` when it has exactly its size.
    template <typename T>
    static bool PayloadAs(const ControlEvent& event, T& value) {
        if (event.payload.size() != sizeof value) return false;
        std::memcpy(&value, event.payload.data(), sizeof value);
        return true;
    }

    template <typename T>
    int SendStruct(std::uint16_t type, std::uint8_t unit, const T& value) {
        return Send(type, unit,
                    std::span(reinterpret_cast<const std::uint8_t*>(&value), sizeof value));
    }

private:
    int m_fd = -1;
    bool m_failed = false;
    std::vector<std::uint8_t> m_buffer;
};

}  // namespace testcard
