// Application protocol data units: a three-byte tag, a length field and the body. The tags the
// host and the module exchange on each resource, and the resources the host offers.
#pragma once

#include <cstdint>
#include <optional>

#include "linuxdvb/en50221/Bytes.h"

namespace linuxdvb::en50221 {

enum ApduTag : std::uint32_t {
    kProfileEnq = 0x9F8010,
    kProfileReply = 0x9F8011,
    kProfileChanged = 0x9F8012,
    kApplicationInfoEnq = 0x9F8020,
    kApplicationInfo = 0x9F8021,
    kEnterMenu = 0x9F8022,
    kRequestCamReset = 0x9F8023,  // application information version 2 and later
    kDataRateInfo = 0x9F8024,     // version 3: the host's highest transport stream rate
    kCaInfoEnq = 0x9F8030,
    kCaInfo = 0x9F8031,
    kCaPmt = 0x9F8032,
    kCaPmtReply = 0x9F8033,
    kDateTimeEnq = 0x9F8440,
    kDateTime = 0x9F8441,
    kCloseMmi = 0x9F8800,
    kDisplayControl = 0x9F8801,
    kDisplayReply = 0x9F8802,
    kTextLast = 0x9F8803,
    kTextMore = 0x9F8804,
    kEnq = 0x9F8807,
    kAnsw = 0x9F8808,
    kMenuLast = 0x9F8809,
    kMenuMore = 0x9F880A,
    kMenuAnsw = 0x9F880B,
    kListLast = 0x9F880C,
    kListMore = 0x9F880D,
};

// Resource ids: class << 16 | type << 6 | version.
enum ResourceId : std::uint32_t {
    kResourceManager = 0x00010041,
    kApplicationInformation = 0x00020041,
    kConditionalAccessSupport = 0x00030041,
    kDateTimeResource = 0x00240041,
    kMmiResource = 0x00400041,
};

inline constexpr std::uint32_t ResourceClassAndType(std::uint32_t id) {
    return id & ~0x3Fu;
}
inline constexpr std::uint32_t ResourceVersion(std::uint32_t id) {
    return id & 0x3Fu;
}

Bytes MakeApdu(std::uint32_t tag, ByteView body = {});

struct Apdu {
    std::uint32_t tag = 0;
    ByteView body;
    std::size_t size = 0;  // the whole object
};

// Reads the APDU at the start of `in`; none when it is cut short or its length runs past the end.
std::optional<Apdu> ReadApdu(ByteView in);

}  // namespace linuxdvb::en50221
