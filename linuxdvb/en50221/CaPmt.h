// The ca_pmt object that asks a module to descramble a programme: built from the programme's
// PMT section, keeping only its conditional-access descriptors, at programme level and per
// elementary stream.
#pragma once

#include <cstdint>
#include <optional>

#include "linuxdvb/en50221/Bytes.h"

namespace linuxdvb::en50221 {

enum CaPmtListManagement : std::uint8_t { kCaPmtOnly = 0x03 };
enum CaPmtCommand : std::uint8_t { kCaPmtOkDescrambling = 0x01 };

// The PMT section's programme and version, when the section is well formed.
struct PmtIdentity {
    std::uint16_t programNumber = 0;
    std::uint8_t version = 0;
};
std::optional<PmtIdentity> ReadPmtIdentity(ByteView section);

// The ca_pmt body for a whole PMT section (table id 0x02, lengths checked against the bytes;
// the CRC is the reader's to check). None when the section is malformed.
std::optional<Bytes> MakeCaPmt(ByteView section, std::uint8_t listManagement, std::uint8_t command);

}  // namespace linuxdvb::en50221
