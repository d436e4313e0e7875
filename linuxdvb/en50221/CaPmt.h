// The ca_pmt object that asks a module to descramble a programme: built from the programme's
// PMT section, keeping only the conditional-access descriptors of the CA systems the module
// listed, at programme level and per elementary stream.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "linuxdvb/en50221/Bytes.h"

namespace linuxdvb::en50221 {

enum CaPmtListManagement : std::uint8_t {
    kCaPmtOnly = 0x03,
    kCaPmtAdd = 0x04,
    kCaPmtUpdate = 0x05
};
enum CaPmtCommand : std::uint8_t { kCaPmtOkDescrambling = 0x01, kCaPmtNotSelected = 0x04 };

// The PMT section's programme and version, when the section is well formed.
struct PmtIdentity {
    std::uint16_t programNumber = 0;
    std::uint8_t version = 0;
    bool current = false;  // the section applies now, not from the next version on
};
std::optional<PmtIdentity> ReadPmtIdentity(ByteView section);

// The ca_pmt body for a whole PMT section (table id 0x02, lengths checked against the bytes;
// the CRC is the reader's to check), sent as current. None when the section is malformed, is
// marked as the next rather than the current one, or carries no CA descriptor of the systems in
// `caSystemIds`: the module has nothing to descramble then.
std::optional<Bytes> MakeCaPmt(ByteView section, std::uint8_t listManagement, std::uint8_t command,
                               std::span<const std::uint16_t> caSystemIds);

}  // namespace linuxdvb::en50221
