#include "ControlChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace testcard {

ControlChannel::ControlChannel() {
    m_fd = ::open("/dev/kcard", O_RDWR | O_CLOEXEC);
    if (m_fd < 0) m_error = errno;
}

ControlChannel::~ControlChannel() {
    if (m_fd >= 0) ::close(m_fd);
}

int ControlChannel::Send(std::uint16_t type, std::uint8_t unit,
                         std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> buffer(sizeof(kcard_msg) + payload.size());
    kcard_msg msg{};
    msg.type = type;
    msg.unit = unit;
    msg.len = static_cast<std::uint32_t>(payload.size());
    std::memcpy(buffer.data(), &msg, sizeof(msg));
    if (!payload.empty()) std::memcpy(buffer.data() + sizeof(msg), payload.data(), payload.size());
    const auto written = ::write(m_fd, buffer.data(), buffer.size());
    if (written < 0) return errno;
    return written == static_cast<ssize_t>(buffer.size()) ? 0 : EIO;
}

std::optional<Event> ControlChannel::Next(std::chrono::milliseconds wait) {
    pollfd pfd{m_fd, POLLIN, 0};
    if (::poll(&pfd, 1, static_cast<int>(wait.count())) != 1) return std::nullopt;
    std::vector<std::uint8_t> buffer(sizeof(kcard_msg) + KCARD_MAX_PAYLOAD);
    const auto got = ::read(m_fd, buffer.data(), buffer.size());
    if (got < static_cast<ssize_t>(sizeof(kcard_msg))) return std::nullopt;
    Event event;
    std::memcpy(&event.msg, buffer.data(), sizeof(kcard_msg));
    event.payload.assign(buffer.begin() + sizeof(kcard_msg), buffer.begin() + got);
    return event;
}

std::optional<Event> ControlChannel::Await(std::uint16_t type, int unit,
                                           std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        auto event = Next(left);
        if (!event) return std::nullopt;
        if (event->msg.type == type && (unit < 0 || event->msg.unit == unit)) return event;
        m_skipped.push_back(std::move(*event));
    }
}

void ControlChannel::Drain() {
    while (auto event = Next(std::chrono::milliseconds(0))) m_skipped.push_back(std::move(*event));
}

}  // namespace testcard
