// The system calls the CA device is driven through, so tests put a simulated module where the
// kernel's device would be.
//
// Thread-safety: as the calls themselves.
#pragma once

#include <poll.h>
#include <sys/types.h>

#include <cstddef>

namespace linuxdvb::en50221 {

class FdIo {
public:
    virtual ~FdIo() = default;
    // Like open(2), close(2), ioctl(2), read(2), write(2) and poll(2): -1 and errno on failure.
    virtual int Open(const char* path, int flags) = 0;
    virtual int Close(int fd) = 0;
    virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
    virtual ssize_t Read(int fd, void* buffer, std::size_t size) = 0;
    virtual ssize_t Write(int fd, const void* buffer, std::size_t size) = 0;
    virtual int Poll(pollfd* fds, nfds_t count, int timeoutMs) = 0;
};

// The real system calls.
FdIo& SystemFdIo();

}  // namespace linuxdvb::en50221
