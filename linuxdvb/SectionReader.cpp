#include "linuxdvb/SectionReader.h"

#include <algorithm>

#include "cardkit/Crc32.h"

namespace linuxdvb {
namespace {

constexpr std::uint8_t kSyncByte = 0x47;
constexpr std::size_t kHeaderSize = 3;  // table id and section length
constexpr std::uint8_t kStuffing = 0xFF;

std::size_t SectionSize(std::span<const std::uint8_t> header) {
    return kHeaderSize + ((header[1] & 0x0F) << 8 | header[2]);
}

}  // namespace

void SectionReader::Add(std::span<const std::uint8_t, 188> packet,
                        const std::function<void(Section)>& found) {
    if (packet[0] != kSyncByte || (packet[1] & 0x80) != 0) return;  // transport error
    if (((packet[1] & 0x1F) << 8 | packet[2]) != m_pid) return;
    const bool start = (packet[1] & 0x40) != 0;
    const int control = packet[3] >> 4 & 0x3;
    const int continuity = packet[3] & 0x0F;
    if ((packet[3] & 0xC0) != 0 || (control & 0x1) == 0) {  // scrambled, or no payload
        m_collecting = false;
        return;
    }
    if (m_continuity >= 0 && continuity == m_continuity) return;  // a repeated packet
    if (m_continuity >= 0 && continuity != ((m_continuity + 1) & 0x0F)) m_collecting = false;
    m_continuity = continuity;

    std::size_t at = 4;
    if (control == 0x3) at += 1 + packet[4];
    if (at >= packet.size()) return;
    auto payload = std::span<const std::uint8_t>(packet).subspan(at);
    if (!start) {
        if (m_collecting) Take(payload, found);
        return;
    }
    const std::size_t pointer = payload[0];
    if (pointer >= payload.size()) {
        m_collecting = false;
        return;
    }
    if (m_collecting) Take(payload.subspan(1, pointer), found);
    m_section.clear();
    m_collecting = true;
    Take(payload.subspan(1 + pointer), found);
}

void SectionReader::Take(std::span<const std::uint8_t> bytes,
                         const std::function<void(Section)>& found) {
    while (!bytes.empty() && m_collecting) {
        if (m_section.empty() && bytes[0] == kStuffing) {
            m_collecting = false;  // the rest of the packet is stuffing
            return;
        }
        const bool header = m_section.size() >= kHeaderSize;
        const std::size_t want = header ? SectionSize(m_section) : kHeaderSize;
        const std::size_t take = std::min(want - m_section.size(), bytes.size());
        m_section.insert(m_section.end(), bytes.begin(), bytes.begin() + take);
        bytes = bytes.subspan(take);
        if (m_section.size() >= kHeaderSize && m_section.size() == SectionSize(m_section)) {
            // Sections with the syntax indicator end in a CRC; a damaged one must not reach
            // the module as a request.
            const bool checked = (m_section[1] & 0x80) == 0 || cardkit::Crc32Mpeg(m_section) == 0;
            if (checked) found(m_section);
            m_section.clear();
        }
    }
}

}  // namespace linuxdvb
