// The module's own view of the bytes on the wire: every tag and resource it speaks, written out
// here as the standard lists them, and the few encoders and readers it needs. Nothing comes from
// the host stack's encoders, so a fault in them cannot hide behind a module that shares it.
#pragma once

#include <cstdint>
#include <optional>

#include "linuxdvb/en50221/Bytes.h"

namespace linuxdvb::en50221::wire {

// Transport units: the tag, then the length, then the connection id.
inline constexpr std::uint8_t kStatus = 0x80, kReceive = 0x81, kCreate = 0x82, kCreateReply = 0x83,
                              kDelete = 0x84, kDeleteReply = 0x85, kDataLast = 0xA0,
                              kDataMore = 0xA1;
inline constexpr std::uint8_t kDataAvailable = 0x80;  // in the status byte

// Session units.
inline constexpr std::uint8_t kSessionNumber = 0x90, kOpenRequest = 0x91, kOpenResponse = 0x92,
                              kCloseRequest = 0x95, kCloseResponse = 0x96;
inline constexpr std::uint8_t kSessionOk = 0x00;

// Resources (class << 16 | type << 6 | version).
inline constexpr std::uint32_t kResourceManager = 0x00010041, kApplicationInformation = 0x00020041,
                               kApplicationInformationV3 = 0x00020043,
                               kConditionalAccess = 0x00030041, kDateTime = 0x00240041,
                               kMmi = 0x00400041;

// Application objects (the MMI objects the module sends whole are written out in
// ModuleMenus).
inline constexpr std::uint32_t kProfileEnq = 0x9F8010, kProfileReply = 0x9F8011,
                               kProfileChanged = 0x9F8012, kApplicationInfoEnq = 0x9F8020,
                               kApplicationInfo = 0x9F8021, kEnterMenu = 0x9F8022,
                               kRequestCamReset = 0x9F8023, kDataRateInfo = 0x9F8024,
                               kCaInfoEnq = 0x9F8030, kCaInfo = 0x9F8031, kCaPmt = 0x9F8032,
                               kDateTimeEnq = 0x9F8440, kDateTimeReply = 0x9F8441,
                               kCloseMmi = 0x9F8800, kDisplayReply = 0x9F8802, kEnq = 0x9F8807,
                               kAnsw = 0x9F8808, kMenuMore = 0x9F880A, kMenuAnsw = 0x9F880B,
                               kListLast = 0x9F880C, kListMore = 0x9F880D;

// A length field: one byte below 128, else 0x80 | n and n big-endian bytes.
inline void AppendLength(Bytes& out, std::size_t length) {
    if (length < 0x80) {
        out.push_back(static_cast<std::uint8_t>(length));
        return;
    }
    std::uint8_t bytes = 0;
    for (std::size_t rest = length; rest != 0; rest >>= 8) ++bytes;
    out.push_back(static_cast<std::uint8_t>(0x80 | bytes));
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
}

inline Bytes Tpdu(std::uint8_t tag, std::uint8_t tcid, ByteView body = {}) {
    Bytes out{tag};
    AppendLength(out, body.size() + 1);
    out.push_back(tcid);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline Bytes Apdu(std::uint32_t tag, ByteView body = {}) {
    Bytes out{static_cast<std::uint8_t>(tag >> 16), static_cast<std::uint8_t>(tag >> 8),
              static_cast<std::uint8_t>(tag)};
    AppendLength(out, body.size());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline Bytes SessionData(std::uint16_t session, ByteView apdus) {
    Bytes out{kSessionNumber, 0x02, static_cast<std::uint8_t>(session >> 8),
              static_cast<std::uint8_t>(session)};
    out.insert(out.end(), apdus.begin(), apdus.end());
    return out;
}

inline Bytes CloseRequest(std::uint16_t session) {
    return {kCloseRequest, 0x02, static_cast<std::uint8_t>(session >> 8),
            static_cast<std::uint8_t>(session)};
}

inline Bytes CloseResponse(std::uint8_t status, std::uint16_t session) {
    return {kCloseResponse, 0x03, status, static_cast<std::uint8_t>(session >> 8),
            static_cast<std::uint8_t>(session)};
}

// A tagged object at the start of `in`, its body wholly inside `in`.
struct Object {
    ByteView body;
    std::size_t size = 0;  // tag, length and body
};
inline std::optional<Object> ReadObject(ByteView in, std::size_t tagSize) {
    if (in.size() <= tagSize) return std::nullopt;
    std::size_t at = tagSize, length = in[at++];
    if (length & 0x80) {
        const std::size_t bytes = length & 0x7F;
        if (bytes == 0 || bytes > 4 || in.size() < at + bytes) return std::nullopt;
        length = 0;
        for (std::size_t i = 0; i < bytes; ++i) length = length << 8 | in[at++];
    }
    if (in.size() - at < length) return std::nullopt;
    return Object{in.subspan(at, length), at + length};
}

inline std::uint32_t Tag3(ByteView in) {
    return static_cast<std::uint32_t>(in[0]) << 16 | in[1] << 8 | in[2];
}

// The one slot and transport connection the module serves, and a unit as the kernel's CA device
// carries it: [slot][connection id][TPDUs].
inline constexpr std::uint8_t kSlot = 0, kTcid = 1;
inline Bytes Frame(ByteView tpdus) {
    Bytes frame{kSlot, kTcid};
    frame.insert(frame.end(), tpdus.begin(), tpdus.end());
    return frame;
}

// A tagged object whose length field claims three bytes more than it carries.
inline Bytes Overlong(ByteView object, std::size_t tagSize) {
    const auto read = ReadObject(object, tagSize);
    Bytes out(object.begin(), object.begin() + tagSize);
    AppendLength(out, read->body.size() + 3);
    out.insert(out.end(), read->body.begin(), read->body.end());
    return out;
}

}  // namespace linuxdvb::en50221::wire
