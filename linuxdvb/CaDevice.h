// A CA device (/dev/dvb/adapterN/caM) whose slot speaks the link layer: the kernel moves whole
// transport units, framed as [slot][connection id][unit], and the host does the rest.
//
// Thread-safety: one thread at a time (the slot's thread).
#pragma once

#include <memory>
#include <string>

#include "linuxdvb/DvbIo.h"
#include "linuxdvb/en50221/CaLink.h"

namespace linuxdvb {

class CaDevice final : public en50221::CaLink {
public:
    // Opens the device and checks that it has a link-layer slot; none otherwise.
    static std::unique_ptr<CaDevice> Open(std::shared_ptr<DvbIo> io, const std::string& path);
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

    const std::shared_ptr<DvbIo> m_io;
    int m_fd;
    int m_slot;
};

}  // namespace linuxdvb
