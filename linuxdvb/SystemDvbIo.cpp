#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "linuxdvb/DvbIo.h"

namespace linuxdvb {
namespace {

// Retries calls that a signal interrupted; a failure comes back as -errno.
template <typename Call>
auto Retry(Call call) -> decltype(call()) {
    for (;;) {
        const auto result = call();
        if (result >= 0) return result;
        if (errno != EINTR) return -errno;
    }
}

class KernelDvbIo : public DvbIo {
public:
    int Open(const std::string& path, int flags) override {
        return Retry([&] { return ::open(path.c_str(), flags | O_CLOEXEC); });
    }
    int Ioctl(int fd, unsigned long request, unsigned long argument) override {
        return Retry([&] { return ::ioctl(fd, request, argument); });
    }
    long Read(int fd, void* buffer, std::size_t size) override {
        return Retry([&] { return ::read(fd, buffer, size); });
    }
    long Write(int fd, const void* buffer, std::size_t size) override {
        return Retry([&] { return ::write(fd, buffer, size); });
    }
    int Poll(pollfd* fds, std::size_t count, int timeoutMs) override {
        return Retry([&] { return ::poll(fds, count, timeoutMs); });
    }
    // A close interrupted by a signal has still released the descriptor: never retried.
    int Close(int fd) override { return ::close(fd) == 0 ? 0 : -errno; }
    void Sleep(std::chrono::microseconds time) override { std::this_thread::sleep_for(time); }
};

}  // namespace

std::shared_ptr<DvbIo> SystemDvbIo() {
    static const auto io = std::make_shared<KernelDvbIo>();
    return io;
}

}  // namespace linuxdvb
