#include "linuxdvb/CaDevice.h"

#include <fcntl.h>
#include <linux/dvb/ca.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "linuxdvb/en50221/Transport.h"

namespace linuxdvb {

using en50221::Bytes;
using en50221::ByteView;
using en50221::Transport;
namespace {

// The kernel keeps up to this much per slot; a unit read into less is cut without a word.
constexpr std::size_t kReadBufferSize = 65536;
// Left-over units read and dropped at most when the device is opened or reset.
constexpr int kMaxStaleUnits = 64;

// The first slot of the device that speaks the link layer, or -1.
int LinkLayerSlot(DvbIo& io, int fd) {
    ca_caps caps{};
    if (io.Ioctl(fd, CA_GET_CAP, DvbIo::Arg(&caps)) != 0) return -1;
    for (unsigned slot = 0; slot < caps.slot_num; ++slot) {
        ca_slot_info info{};
        info.num = static_cast<int>(slot);
        if (io.Ioctl(fd, CA_GET_SLOT_INFO, DvbIo::Arg(&info)) == 0 && (info.type & CA_CI_LINK) != 0)
            return static_cast<int>(slot);
    }
    return -1;
}

}  // namespace

std::unique_ptr<CaDevice> CaDevice::Open(std::shared_ptr<DvbIo> io, const std::string& path,
                                         int* error) {
    const int fd = io->Open(path, O_RDWR | O_NONBLOCK);
    if (error) *error = fd < 0 ? fd : 0;
    if (fd < 0) return nullptr;
    const int slot = LinkLayerSlot(*io, fd);
    if (slot < 0) {
        io->Close(fd);
        return nullptr;
    }
    auto device = std::unique_ptr<CaDevice>(new CaDevice(std::move(io), fd, slot));
    device->Drain();
    // The kernel keeps the module's connection and sessions across a close and an open, and a
    // module need not start afresh on a second create_t_c: reset it, so that the host's first
    // connection is the module's first too. The slot reads not ready until the kernel has
    // brought the module up again.
    device->Reset();
    return device;
}

void CaDevice::Drain() {
    // The kernel may still hold units a previous opener left unread (its flush on open misses
    // them); the new connection must not take them for answers.
    Bytes frame(kReadBufferSize);
    for (int i = 0; i < kMaxStaleUnits; ++i) {
        pollfd fds{m_fd, POLLIN, 0};
        if (m_io->Poll(&fds, 1, 0) <= 0 || m_io->Read(m_fd, frame.data(), frame.size()) <= 0)
            return;
    }
}

std::unique_ptr<CaDevice> CaDevice::OpenWhenFree(std::shared_ptr<DvbIo> io, std::string path) {
    std::fprintf(stderr, "orvalen: %s is held by another program; trying again every %d s\n",
                 path.c_str(), static_cast<int>(kReopenInterval.count()));
    auto device = std::unique_ptr<CaDevice>(new CaDevice(std::move(io), -1, -1));
    device->m_path = std::move(path);
    device->m_reopenAt = std::chrono::steady_clock::now() + kReopenInterval;
    return device;
}

bool CaDevice::Reopen() {
    const auto now = std::chrono::steady_clock::now();
    if (m_path.empty() || now < m_reopenAt) return false;
    m_reopenAt = now + kReopenInterval;
    int error = 0;
    auto opened = Open(m_io, m_path, &error);
    if (!opened) {
        if (error != -EBUSY) m_path.clear();  // gone, or no link-layer slot: give up
        return false;
    }
    m_fd = std::exchange(opened->m_fd, -1);
    m_slot = opened->m_slot;
    m_path.clear();
    return true;
}

CaDevice::~CaDevice() {
    if (m_fd >= 0) m_io->Close(m_fd);
}

std::optional<en50221::CaLink::SlotState> CaDevice::QuerySlot() {
    if (m_fd < 0 && !Reopen()) return SlotState{};
    ca_slot_info info{};
    info.num = m_slot;
    if (m_io->Ioctl(m_fd, CA_GET_SLOT_INFO, DvbIo::Arg(&info)) != 0) return std::nullopt;
    return SlotState{(info.flags & CA_CI_MODULE_PRESENT) != 0,
                     (info.flags & CA_CI_MODULE_READY) != 0};
}

bool CaDevice::Reset() {
    if (m_fd < 0) return false;
    return m_io->Ioctl(m_fd, CA_RESET, 0) == 0;
}

bool CaDevice::Write(ByteView tpdu) {
    if (m_fd < 0) return false;
    Bytes frame{static_cast<std::uint8_t>(m_slot), Transport::kConnectionId};
    frame.insert(frame.end(), tpdu.begin(), tpdu.end());
    long written;
    do {
        written = m_io->Write(m_fd, frame.data(), frame.size());
    } while (written == -EINTR);
    return written == static_cast<long>(frame.size());
}

en50221::CaLink::ReadResult CaDevice::Read(Bytes& tpdu, std::chrono::milliseconds timeout) {
    if (m_fd < 0) return ReadResult::Error;
    pollfd fds{m_fd, POLLIN, 0};
    const int ready = m_io->Poll(&fds, 1, static_cast<int>(timeout.count()));
    if (ready == 0) return ReadResult::Timeout;
    if (ready < 0) return ready == -EINTR ? ReadResult::Timeout : ReadResult::Error;
    Bytes frame(kReadBufferSize);
    const long size = m_io->Read(m_fd, frame.data(), frame.size());
    if (size < 0)
        return size == -EAGAIN || size == -EINTR ? ReadResult::Timeout : ReadResult::Error;
    tpdu.clear();
    if (size >= 2 && frame[0] == m_slot && frame[1] == Transport::kConnectionId)
        tpdu.assign(frame.begin() + 2, frame.begin() + size);
    return ReadResult::Ok;
}

}  // namespace linuxdvb
