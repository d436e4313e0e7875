// Session protocol data units: sessions between a module's applications and the host's
// resources, carried in transport data. Session numbers are the host's to give.
#pragma once

#include <cstdint>

#include "linuxdvb/en50221/Bytes.h"

namespace linuxdvb::en50221 {

enum SpduTag : std::uint8_t {
    kSpduSessionNumber = 0x90,  // followed by the session's APDUs
    kSpduOpenRequest = 0x91,
    kSpduOpenResponse = 0x92,
    kSpduCreate = 0x93,
    kSpduCreateResponse = 0x94,
    kSpduCloseRequest = 0x95,
    kSpduCloseResponse = 0x96,
};

enum SessionStatus : std::uint8_t {
    kSessionOk = 0x00,
    kSessionNoResource = 0xF0,
    kSessionUnavailable = 0xF1,
    kSessionVersionTooLow = 0xF2,  // the host's resource is older than the module asks for
    kSessionBusy = 0xF3,
    kSessionNotAllocated = 0xF0,  // close status: no such session
};

Bytes MakeOpenSessionResponse(std::uint8_t status, std::uint32_t resource, std::uint16_t session);
Bytes MakeCloseSessionRequest(std::uint16_t session);
Bytes MakeCloseSessionResponse(std::uint8_t status, std::uint16_t session);
// 90 02 session, then the APDUs.
Bytes MakeSessionData(std::uint16_t session, ByteView apdus);

}  // namespace linuxdvb::en50221
