#include "CommandSocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace testcard {
namespace {

constexpr int kReplyWaitMs = 30000;
constexpr std::size_t kLongestLine = 256;

bool AddressOf(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Reads up to a newline (or the peer's end) within the wait.
std::string ReadLine(int fd) {
    std::string line;
    char c;
    while (line.size() < kLongestLine) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kReplyWaitMs) <= 0) break;
        if (::read(fd, &c, 1) != 1 || c == '\n') break;
        line.push_back(c);
    }
    return line;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

CommandSocket::CommandSocket(std::string path) : m_path(std::move(path)) {
    sockaddr_un address;
    if (!AddressOf(m_path, address)) return;
    ::unlink(m_path.c_str());
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0) return;
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_fd, 4) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

CommandSocket::~CommandSocket() {
    if (m_fd < 0) return;
    ::close(m_fd);
    ::unlink(m_path.c_str());
}

void CommandSocket::Serve(const Handler& handler) {
    const int client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    WriteAll(client, handler(ReadLine(client)) + "\n");
    ::close(client);
}

std::string AskTestCard(const std::string& path, const std::string& command) {
    sockaddr_un address;
    if (!AddressOf(path, address)) return "error: socket path too long";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return "error: no socket";
    std::string answer = "error: the test card's daemon does not answer at " + path;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        WriteAll(fd, command + "\n"))
        answer = ReadLine(fd);
    ::close(fd);
    return answer;
}

}  // namespace testcard
