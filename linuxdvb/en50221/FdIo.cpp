#include "linuxdvb/en50221/FdIo.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace linuxdvb::en50221 {
namespace {

long Result(long result) {
    return result < 0 ? -errno : result;
}

class System final : public FdIo {
public:
    int Open(const std::string& path, int flags) override {
        return static_cast<int>(Result(::open(path.c_str(), flags | O_CLOEXEC)));
    }
    int Ioctl(int fd, unsigned long request, unsigned long argument) override {
        return static_cast<int>(Result(::ioctl(fd, request, argument)));
    }
    long Read(int fd, void* buffer, std::size_t size) override {
        return Result(::read(fd, buffer, size));
    }
    long Write(int fd, const void* buffer, std::size_t size) override {
        return Result(::write(fd, buffer, size));
    }
    int Poll(pollfd* fds, std::size_t count, int timeoutMs) override {
        return static_cast<int>(Result(::poll(fds, count, timeoutMs)));
    }
    int Close(int fd) override { return static_cast<int>(Result(::close(fd))); }
};

}  // namespace

FdIo& SystemFdIo() {
    static System system;
    return system;
}

}  // namespace linuxdvb::en50221
