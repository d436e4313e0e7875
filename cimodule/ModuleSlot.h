// The slot as the host sees it through the kernel's CA device: each open gives a descriptor of
// the host's end of the module's socketpair, the CA ioctls are answered as the kernel's link
// layer answers them for a single-slot device, and units pass only while the module is in and
// up. Private to the simulated module.
//
// Thread-safety: any thread, as the DvbIo it stands for.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "SimulatedModule.h"

namespace linuxdvb::en50221 {

class SimulatedModule::HostEnd final : public DvbIo {
public:
    explicit HostEnd(SimulatedModule& module) : m_module(module) {}
    int Open(const std::string&, int) override {
        if (m_module.Held()) return -EBUSY;
        return Result(::fcntl(m_module.m_hostFd, F_DUPFD_CLOEXEC, 0));
    }
    int Ioctl(int, unsigned long request, unsigned long argument) override {
        return m_module.OnIoctl(request, reinterpret_cast<void*>(argument));
    }
    long Read(int fd, void* buffer, std::size_t size) override {
        return Result(::recv(fd, buffer, size, MSG_DONTWAIT));
    }
    long Write(int fd, const void* buffer, std::size_t size) override {
        // The kernel takes units only for a module it has brought up.
        if (!m_module.Running()) return -EINVAL;
        return Result(::send(fd, buffer, size, MSG_NOSIGNAL));
    }
    int Poll(pollfd* fds, std::size_t count, int timeoutMs) override {
        return Result(::poll(fds, count, timeoutMs));
    }
    int Close(int fd) override { return Result(::close(fd)); }
    void Sleep(std::chrono::microseconds time) override { std::this_thread::sleep_for(time); }

private:
    static int Result(long result) { return static_cast<int>(result < 0 ? -errno : result); }

    SimulatedModule& m_module;
};

}  // namespace linuxdvb::en50221
