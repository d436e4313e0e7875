// The real kernel, watched: every call goes to the kernel unchanged, and what the checks need to
// see of it is noted on the way — the DiSEqC messages sent and what the kernel answered, the
// frequencies the frontend was tuned to, the bytes read from each dvr, the overruns it
// reported, and which descriptors are open. vidtv accepts DiSEqC and ignores it, so this is
// where a check sees what went out on the cable.
//
// Thread-safe: the backend calls it from the worker, the reader and the user-interface thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "linuxdvb/DvbIo.h"

namespace vm {

struct SentDiseqc {
    std::vector<std::uint8_t> message;
    int result = 0;  // what the ioctl returned
};

class ObservedKernel : public linuxdvb::DvbIo {
public:
    ObservedKernel() : m_kernel(linuxdvb::SystemDvbIo()) {}

    int Open(const std::string& path, int flags) override;
    int Ioctl(int fd, unsigned long request, unsigned long argument) override;
    long Read(int fd, void* buffer, std::size_t size) override;
    long Write(int fd, const void* buffer, std::size_t size) override;
    int Poll(pollfd* fds, std::size_t count, int timeoutMs) override;
    int Close(int fd) override;
    void Sleep(std::chrono::microseconds time) override;

    std::vector<SentDiseqc> Diseqc() const;
    // DTV_FREQUENCY of every FE_SET_PROPERTY that carried one, kHz at the tuner's input.
    std::vector<std::uint32_t> TunedKHz() const;
    std::uint64_t DvrBytes() const;
    std::uint64_t Overruns() const;
    // Paths of the descriptors open now.
    std::vector<std::string> OpenPaths() const;
    // All the time the backend has asked to sleep (settling, DiSEqC gaps), microseconds.
    std::int64_t SleptMicroseconds() const;

private:
    void NoteProperties(unsigned long argument);
    bool IsDvr(int fd) const;

    const std::shared_ptr<linuxdvb::DvbIo> m_kernel;
    mutable std::mutex m_mutex;
    std::map<int, std::string> m_open;
    std::vector<SentDiseqc> m_diseqc;
    std::vector<std::uint32_t> m_tunedKHz;
    std::uint64_t m_dvrBytes = 0;
    std::uint64_t m_overruns = 0;
    std::int64_t m_sleptMicroseconds = 0;
};

}  // namespace vm
