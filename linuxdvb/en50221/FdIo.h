// The system calls the CA device is driven through, so tests put a simulated module where the
// kernel's device would be. Every call returns what the system call returns on success and
// -errno on failure.
//
// Thread-safety: as the calls themselves.
#pragma once

#include <poll.h>

#include <cstddef>
#include <string>

namespace linuxdvb::en50221 {

class FdIo {
public:
    virtual ~FdIo() = default;
    virtual int Open(const std::string& path, int flags) = 0;
    // The third argument as the kernel takes it: a pointer cast to unsigned long.
    virtual int Ioctl(int fd, unsigned long request, unsigned long argument) = 0;
    virtual long Read(int fd, void* buffer, std::size_t size) = 0;
    virtual long Write(int fd, const void* buffer, std::size_t size) = 0;
    virtual int Poll(pollfd* fds, std::size_t count, int timeoutMs) = 0;
    virtual int Close(int fd) = 0;

    template <typename T>
    static unsigned long Arg(T* pointer) {
        return reinterpret_cast<unsigned long>(pointer);
    }
};

// The real system calls.
FdIo& SystemFdIo();

}  // namespace linuxdvb::en50221
