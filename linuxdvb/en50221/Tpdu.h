// Transport protocol data units: the objects the host and the module exchange on one transport
// connection, each tagged and carrying the connection id as its first body byte.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "linuxdvb/en50221/Bytes.h"

namespace linuxdvb::en50221 {

enum TpduTag : std::uint8_t {
    kTpduStatus = 0x80,   // T_SB, the module's status byte after every response
    kTpduReceive = 0x81,  // T_RCV, "send me what you have"
    kTpduCreate = 0x82,
    kTpduCreateReply = 0x83,
    kTpduDelete = 0x84,
    kTpduDeleteReply = 0x85,
    kTpduRequest = 0x86,  // the module asks for another connection
    kTpduNew = 0x87,
    kTpduError = 0x88,
    kTpduDataLast = 0xA0,
    kTpduDataMore = 0xA1,
};

// Status byte bit: the module has data queued for the host.
inline constexpr std::uint8_t kStatusDataAvailable = 0x80;
// t_c_error code: no further connection is available.
inline constexpr std::uint8_t kNoConnectionFree = 0x01;

// tag, length, tcid, body.
Bytes MakeTpdu(std::uint8_t tag, std::uint8_t tcid, ByteView body = {});

// One object of a response, its body without the connection id.
struct TpduObject {
    std::uint8_t tag = 0;
    std::uint8_t tcid = 0;
    ByteView body;
};

// Splits a response into its objects. None when an object's length runs past the end, an object
// carries no connection id, or bytes are left over.
std::optional<std::vector<TpduObject>> SplitTpdus(ByteView response);

}  // namespace linuxdvb::en50221
