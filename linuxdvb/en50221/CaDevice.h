// A CA device (/dev/dvb/adapterN/caM) whose slot speaks the link layer: the kernel moves whole
// transport units, framed as [slot][connection id][unit], and the host does the rest.
//
// Thread-safety: one thread at a time (the slot's thread).
#pragma once

#include <memory>
#include <string>

#include "linuxdvb/en50221/CaLink.h"
#include "linuxdvb/en50221/FdIo.h"

namespace linuxdvb::en50221 {

class CaDevice final : public CaLink {
public:
    // Opens the device and checks that it has a link-layer slot; none otherwise.
    static std::unique_ptr<CaDevice> Open(FdIo& io, const std::string& path);
    ~CaDevice() override;
    CaDevice(const CaDevice&) = delete;
    CaDevice& operator=(const CaDevice&) = delete;

    std::optional<SlotState> QuerySlot() override;
    bool Reset() override;
    bool Write(ByteView tpdu) override;
    ReadResult Read(Bytes& tpdu, std::chrono::milliseconds timeout) override;

private:
    CaDevice(FdIo& io, int fd, int slot) : m_io(io), m_fd(fd), m_slot(slot) {}
    void Drain();

    FdIo& m_io;
    int m_fd;
    int m_slot;
};

// Whether the CA device at `path` has a slot that speaks the link layer.
bool HasLinkLayerSlot(FdIo& io, const std::string& path);

}  // namespace linuxdvb::en50221
