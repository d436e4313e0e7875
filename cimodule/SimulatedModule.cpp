#include "SimulatedModule.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <utility>

#include "ModuleSlot.h"
#include "ModuleWire.h"

namespace linuxdvb::en50221 {

using namespace wire;
SimulatedModule::SimulatedModule(std::string name, ModuleQuirks quirks)
    : m_io(std::make_shared<HostEnd>(*this)),
      m_name(std::move(name)),
      m_quirks(quirks),
      m_split(quirks.chainBytes) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0)
        throw std::runtime_error("socketpair");
    m_hostFd = fds[0];
    m_moduleFd = fds[1];
    m_thread = std::thread([this] { Run(); });
}

SimulatedModule::~SimulatedModule() {
    m_stop = true;
    ::shutdown(m_moduleFd, SHUT_RDWR);
    m_thread.join();
    ::close(m_moduleFd);
    ::close(m_hostFd);
}

std::shared_ptr<DvbIo> SimulatedModule::Io() {
    return m_io;
}

void SimulatedModule::SendLater(Bytes frame, std::chrono::milliseconds delay) {
    m_later.emplace_back(std::chrono::steady_clock::now() + delay, std::move(frame));
}

void SimulatedModule::SendDue() {
    const auto now = std::chrono::steady_clock::now();
    while (!m_later.empty() && m_later.front().first <= now) {
        const Bytes& frame = m_later.front().second;
        ::send(m_moduleFd, frame.data(), frame.size(), MSG_NOSIGNAL);
        m_later.pop_front();
    }
}

void SimulatedModule::Run() {
    Bytes frame(65536);
    while (!m_stop) {
        int timeout = -1;
        {
            std::lock_guard lock(m_mutex);
            SendDue();
            if (!m_later.empty()) {
                const auto wait = m_later.front().first - std::chrono::steady_clock::now();
                timeout =
                    static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count());
                timeout = std::max(timeout, 0);
            }
        }
        pollfd fds{m_moduleFd, POLLIN, 0};
        if (::poll(&fds, 1, timeout) == 0) continue;
        const ssize_t size = ::recv(m_moduleFd, frame.data(), frame.size(), MSG_DONTWAIT);
        if (size <= 0) {
            if (size < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            return;
        }
        Bytes response;
        {
            std::lock_guard lock(m_mutex);
            response = Respond(ByteView(frame).first(static_cast<std::size_t>(size)));
        }
        if (!response.empty()) ::send(m_moduleFd, response.data(), response.size(), MSG_NOSIGNAL);
    }
}

void SimulatedModule::StartAfresh() {
    m_hung = false;
    m_connected = false;
    m_outgoing.clear();
    m_pendingOpens.clear();
    m_sessions.clear();
    m_menuRequested = false;
    m_applicationsRequested = false;
    m_menus.Close();
}

void SimulatedModule::SplitInto(std::size_t bytes) {
    std::lock_guard lock(m_mutex);
    m_split = bytes;
}

void SimulatedModule::CorruptNextObject() {
    std::lock_guard lock(m_mutex);
    m_corruptObject = true;
}

void SimulatedModule::CorruptNextResponse() {
    std::lock_guard lock(m_mutex);
    m_corruptResponse = true;
}

void SimulatedModule::ShowAgain() {
    std::lock_guard lock(m_mutex);
    ShowPage();
}

void SimulatedModule::CloseMmiSession() {
    std::lock_guard lock(m_mutex);
    const auto session = m_sessions.find(kMmi);
    if (session == m_sessions.end()) return;
    SendSpdu(CloseRequest(session->second));
    m_sessions.erase(session);
    m_menus.Close();
}

void SimulatedModule::Hang() {
    std::lock_guard lock(m_mutex);
    m_hung = true;
}

void SimulatedModule::AskForReset() {
    std::lock_guard lock(m_mutex);
    const auto session = std::find_if(m_sessions.begin(), m_sessions.end(), [](const auto& s) {
        return (s.first & ~0x3Fu) == (kApplicationInformation & ~0x3Fu);
    });
    if (session != m_sessions.end()) SendApdu(session->first, kRequestCamReset);
}

std::vector<Bytes> SimulatedModule::CaPmts() const {
    std::lock_guard lock(m_mutex);
    return m_caPmts;
}

std::size_t SimulatedModule::DateTimes() const {
    std::lock_guard lock(m_mutex);
    return m_dateTimes;
}

std::uint32_t SimulatedModule::Resets() const {
    std::lock_guard lock(m_mutex);
    return m_resets;
}

std::optional<ModulePage> SimulatedModule::Page() const {
    std::lock_guard lock(m_mutex);
    return m_menus.Page();
}

std::uint32_t SimulatedModule::MmiSessions() const {
    std::lock_guard lock(m_mutex);
    return m_mmiSessions;
}

std::optional<std::uint8_t> SimulatedModule::DataRate() const {
    std::lock_guard lock(m_mutex);
    return m_dataRate;
}

}  // namespace linuxdvb::en50221
