// A CA device (/dev/dvb/adapterN/caM) whose slot speaks the link layer: the kernel moves whole
// transport units, framed as [slot][connection id][unit], and the host does the rest.
//
// Thread-safety: one thread at a time (the slot's thread).
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "linuxdvb/DvbIo.h"
#include "linuxdvb/en50221/CaLink.h"

namespace linuxdvb {

class CaDevice final : public en50221::CaLink {
public:
    // Opens the device, checks that it has a link-layer slot and resets the slot's module;
    // none otherwise, with `error` set to open's -errno (-EBUSY: another program holds it), or
    // to 0 when the device has no link-layer slot.
    static std::unique_ptr<CaDevice> Open(std::shared_ptr<DvbIo> io, const std::string& path,
                                          int* error = nullptr);
    // A device another program holds now: it reads as an empty slot and is tried again every
    // kReopenInterval, with one line on standard error, until it opens (as Open does).
    static std::unique_ptr<CaDevice> OpenWhenFree(std::shared_ptr<DvbIo> io, std::string path);
    static constexpr std::chrono::seconds kReopenInterval{3};
    ~CaDevice() override;
    CaDevice(const CaDevice&) = delete;
    CaDevice& operator=(const CaDevice&) = delete;

    std::optional<SlotState> QuerySlot() override;
    bool Reset() override;
    bool Write(en50221::ByteView tpdu) override;
    ReadResult Read(en50221::Bytes& tpdu, std::chrono::milliseconds timeout) override;

private:
    CaDevice(std::shared_ptr<DvbIo> io, int fd, int slot)
        : m_io(std::move(io)), m_fd(fd), m_slot(slot) {}
    void Drain();
    bool Reopen();

    const std::shared_ptr<DvbIo> m_io;
    int m_fd;
    int m_slot;
    std::string m_path;  // of a device still to be opened
    std::chrono::steady_clock::time_point m_reopenAt{};
};

}  // namespace linuxdvb
