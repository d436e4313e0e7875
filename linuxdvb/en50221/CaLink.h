// One slot of a CA device as the host stack reaches it: the slot's state, a reset, and whole
// transport units written to and read from the module (the link layer below is someone else's:
// the kernel, or a test's simulated module).
//
// Thread-safety: one thread at a time (the slot's thread).
#pragma once

#include <chrono>
#include <optional>

#include "linuxdvb/en50221/Bytes.h"

namespace linuxdvb::en50221 {

class CaLink {
public:
    virtual ~CaLink() = default;

    struct SlotState {
        bool present = false;
        bool ready = false;  // initialised by the link layer, ready for a transport connection
    };
    // None when the device no longer answers.
    virtual std::optional<SlotState> QuerySlot() = 0;
    // Resets the module; it reads as not ready until it has started again.
    virtual bool Reset() = 0;

    // Writes one transport unit on the host's connection; false when the device refused it.
    virtual bool Write(ByteView tpdu) = 0;
    enum class ReadResult { Ok, Timeout, Error };
    // Waits up to `timeout` for the module's next unit. A unit that arrives on another slot or
    // connection is handed up empty, so the transport sees garbage rather than a stranger's data.
    virtual ReadResult Read(Bytes& tpdu, std::chrono::milliseconds timeout) = 0;
};

}  // namespace linuxdvb::en50221
