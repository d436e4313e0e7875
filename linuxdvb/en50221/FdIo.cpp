#include "linuxdvb/en50221/FdIo.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace linuxdvb::en50221 {
namespace {

class System final : public FdIo {
public:
    int Open(const char* path, int flags) override { return ::open(path, flags); }
    int Close(int fd) override { return ::close(fd); }
    int Ioctl(int fd, unsigned long request, void* argument) override {
        return ::ioctl(fd, request, argument);
    }
    ssize_t Read(int fd, void* buffer, std::size_t size) override {
        return ::read(fd, buffer, size);
    }
    ssize_t Write(int fd, const void* buffer, std::size_t size) override {
        return ::write(fd, buffer, size);
    }
    int Poll(pollfd* fds, nfds_t count, int timeoutMs) override {
        return ::poll(fds, count, timeoutMs);
    }
};

}  // namespace

FdIo& SystemFdIo() {
    static System system;
    return system;
}

}  // namespace linuxdvb::en50221
