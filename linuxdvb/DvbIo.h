// The system calls through which the backend reaches the kernel's DVB devices (frontend, demux,
// dvr), plus the pauses and the clock that DiSEqC timing and lock waits need, and the waits for
// a lock another tuner holds across its pauses. The real one passes
// each call to the kernel; host tests put a fake kernel in its place, so every byte the backend
// sends can be checked without a card.
//
// Every call returns what the system call returns on success and -errno on failure (never -1
// with errno set). Thread-safety: any thread; implementations keep no state shared between
// calls except what the kernel itself would.
#pragma once

#include <poll.h>
#include <sys/ioctl.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

namespace linuxdvb {

class DvbIo {
public:
    virtual ~DvbIo() = default;

    // open(2): a file descriptor, or -errno (-EBUSY: another program holds it read-write).
    virtual int Open(const std::string& path, int flags) = 0;
    // ioctl(2) with the kernel's third argument: a pointer cast to unsigned long for the
    // structure requests, the value itself for FE_SET_TONE, FE_SET_VOLTAGE and the like.
    virtual int Ioctl(int fd, unsigned long request, unsigned long argument) = 0;
    // read(2) / write(2): bytes moved, or -errno (-EOVERFLOW from a dvr whose ring overflowed).
    virtual long Read(int fd, void* buffer, std::size_t size) = 0;
    virtual long Write(int fd, const void* buffer, std::size_t size) = 0;
    // poll(2) over `count` descriptors; timeout in ms, -1 waits for ever.
    virtual int Poll(pollfd* fds, std::size_t count, int timeoutMs) = 0;
    virtual int Close(int fd) = 0;
    // Waits `time` (DiSEqC gaps, lock polling, settle times).
    virtual void Sleep(std::chrono::microseconds time) = 0;
    // The clock that Sleep advances: lock waits and the time a kernel call took are measured
    // on it, so a fake kernel with a virtual clock can run them without waiting.
    virtual std::chrono::steady_clock::time_point Now() { return std::chrono::steady_clock::now(); }
    // Takes `lock`, which another tuner may hold across its pauses (the single-cable lock). A
    // fake kernel with a virtual clock counts the thread as waiting meanwhile, so that time
    // moves on for the holder.
    virtual std::unique_lock<std::mutex> Acquire(std::mutex& lock) {
        return std::unique_lock(lock);
    }

    // Pointer arguments of Ioctl.
    template <typename T>
    static unsigned long Arg(T* pointer) {
        return reinterpret_cast<unsigned long>(pointer);
    }
};

// The kernel itself.
std::shared_ptr<DvbIo> SystemDvbIo();

}  // namespace linuxdvb
