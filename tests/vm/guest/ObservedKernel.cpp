#include "ObservedKernel.h"

#include <linux/dvb/frontend.h>

#include <cerrno>

namespace vm {

int ObservedKernel::Open(const std::string& path, int flags) {
    const int fd = m_kernel->Open(path, flags);
    if (fd >= 0) {
        std::lock_guard lock(m_mutex);
        m_open[fd] = path;
    }
    return fd;
}

int ObservedKernel::Ioctl(int fd, unsigned long request, unsigned long argument) {
    const int result = m_kernel->Ioctl(fd, request, argument);
    if (request == FE_DISEQC_SEND_MASTER_CMD) {
        const auto* command = reinterpret_cast<const dvb_diseqc_master_cmd*>(argument);
        std::lock_guard lock(m_mutex);
        m_diseqc.push_back(
            {{command->msg, command->msg + std::min<std::size_t>(command->msg_len, 6)}, result});
    } else if (request == FE_SET_PROPERTY && result == 0) {
        NoteProperties(argument);
    }
    return result;
}

void ObservedKernel::NoteProperties(unsigned long argument) {
    const auto* properties = reinterpret_cast<const dtv_properties*>(argument);
    std::lock_guard lock(m_mutex);
    for (std::uint32_t i = 0; i < properties->num; ++i)
        if (properties->props[i].cmd == DTV_FREQUENCY)
            m_tunedKHz.push_back(properties->props[i].u.data);
}

long ObservedKernel::Read(int fd, void* buffer, std::size_t size) {
    const long result = m_kernel->Read(fd, buffer, size);
    std::lock_guard lock(m_mutex);
    if (IsDvr(fd)) {
        if (result > 0) m_dvrBytes += static_cast<std::uint64_t>(result);
        if (result == -EOVERFLOW) ++m_overruns;
    }
    return result;
}

long ObservedKernel::Write(int fd, const void* buffer, std::size_t size) {
    return m_kernel->Write(fd, buffer, size);
}

int ObservedKernel::Poll(pollfd* fds, std::size_t count, int timeoutMs) {
    return m_kernel->Poll(fds, count, timeoutMs);
}

int ObservedKernel::Close(int fd) {
    {
        std::lock_guard lock(m_mutex);
        m_open.erase(fd);
    }
    return m_kernel->Close(fd);
}

void ObservedKernel::Sleep(std::chrono::microseconds time) {
    {
        std::lock_guard lock(m_mutex);
        m_sleptMicroseconds += time.count();
    }
    m_kernel->Sleep(time);
}

std::int64_t ObservedKernel::SleptMicroseconds() const {
    std::lock_guard lock(m_mutex);
    return m_sleptMicroseconds;
}

bool ObservedKernel::IsDvr(int fd) const {
    const auto found = m_open.find(fd);
    return found != m_open.end() && found->second.find("/dvr") != std::string::npos;
}

std::vector<SentDiseqc> ObservedKernel::Diseqc() const {
    std::lock_guard lock(m_mutex);
    return m_diseqc;
}

std::vector<std::uint32_t> ObservedKernel::TunedKHz() const {
    std::lock_guard lock(m_mutex);
    return m_tunedKHz;
}

std::uint64_t ObservedKernel::DvrBytes() const {
    std::lock_guard lock(m_mutex);
    return m_dvrBytes;
}

std::uint64_t ObservedKernel::Overruns() const {
    std::lock_guard lock(m_mutex);
    return m_overruns;
}

std::vector<std::string> ObservedKernel::OpenPaths() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> paths;
    for (const auto& [fd, path] : m_open) paths.push_back(path);
    return paths;
}

}  // namespace vm
