#include "ControlDevice.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "../kcard_uapi.h"

namespace testcard {

std::optional<std::uint32_t> ControlEvent::Value() const {
    if (payload.size() != sizeof(std::uint32_t)) return std::nullopt;
    std::uint32_t value;
    std::memcpy(&value, payload.data(), sizeof value);
    return value;
}

ControlDevice::ControlDevice(const std::string& path)
    : m_fd(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)),
      m_buffer(sizeof(kcard_msg) + KCARD_MAX_PAYLOAD) {
    if (m_fd < 0) return;
    const std::uint32_t version = KCARD_VERSION;
    if (SendStruct(KCARD_CMD_HELLO, 0, version) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

ControlDevice::~ControlDevice() {
    if (m_fd >= 0) ::close(m_fd);
}

std::optional<ControlEvent> ControlDevice::Next() {
    const ssize_t got = ::read(m_fd, m_buffer.data(), m_buffer.size());
    if (got < 0) {
        if (errno != EAGAIN && errno != EINTR) m_failed = true;
        return std::nullopt;
    }
    kcard_msg msg;
    if (static_cast<std::size_t>(got) < sizeof msg) {
        m_failed = true;
        return std::nullopt;
    }
    std::memcpy(&msg, m_buffer.data(), sizeof msg);
    if (sizeof msg + msg.len != static_cast<std::size_t>(got)) {
        m_failed = true;
        return std::nullopt;
    }
    ControlEvent event{msg.type, msg.unit, (msg.flags & KCARD_MSG_REPLAY) != 0, msg.time_ns, {}};
    event.payload.assign(m_buffer.begin() + sizeof msg, m_buffer.begin() + got);
    return event;
}

int ControlDevice::Send(std::uint16_t type, std::uint8_t unit,
                        std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> command(sizeof(kcard_msg) + payload.size());
    kcard_msg msg{};
    msg.type = type;
    msg.unit = unit;
    msg.len = static_cast<std::uint32_t>(payload.size());
    std::memcpy(command.data(), &msg, sizeof msg);
    if (!payload.empty()) std::memcpy(command.data() + sizeof msg, payload.data(), payload.size());
    for (;;) {
        const ssize_t written = ::write(m_fd, command.data(), command.size());
        if (written == static_cast<ssize_t>(command.size())) return 0;
        if (written < 0 && errno == EINTR) continue;
        return written < 0 ? -errno : -EIO;
    }
}

}  // namespace testcard
