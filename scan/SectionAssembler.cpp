#include "scan/SectionAssembler.h"

#include <algorithm>

namespace scan {
namespace {

constexpr std::uint8_t kSyncByte = 0x47;
constexpr std::size_t kPacketHeaderSize = 4;
constexpr std::size_t kSectionLengthEnd = 3;
constexpr std::uint8_t kStuffing = 0xFF;

}  // namespace

bool SectionAssembler::Continues(std::uint8_t counter) {
    const int last = m_counter;
    m_counter = counter;
    if (last == counter) return false;  // a duplicate of the last packet
    if (last >= 0 && counter != ((last + 1) & 0x0F)) m_assembling = false;
    return true;
}

void SectionAssembler::Add(std::span<const std::uint8_t, kPacketSize> packet,
                           const std::function<void(const CheckedSection&)>& found) {
    if (packet[0] != kSyncByte || (Read16(packet, 1) & 0x1FFF) != m_pid) return;
    const bool error = (packet[1] & 0x80) != 0;
    const bool scrambled = (packet[3] & 0xC0) != 0;
    const bool hasPayload = (packet[3] & 0x10) != 0;
    if (error || scrambled) {
        m_assembling = false;
        return;
    }
    if (!hasPayload || !Continues(packet[3] & 0x0F)) return;
    std::size_t at = kPacketHeaderSize;
    if ((packet[3] & 0x20) != 0) at += 1 + std::size_t{packet[4]};
    if (at >= kPacketSize) {
        m_assembling = false;
        return;
    }
    const ByteSpan payload = ByteSpan(packet).subspan(at);
    if ((packet[1] & 0x40) == 0) {
        Collect(payload, found);
        return;
    }
    const std::size_t pointer = payload[0];
    if (pointer + 1 > payload.size()) {
        m_assembling = false;
        return;
    }
    Collect(payload.subspan(1, pointer), found);
    m_section.clear();
    m_assembling = true;
    Collect(payload.subspan(1 + pointer), found);
}

void SectionAssembler::Collect(ByteSpan bytes,
                               const std::function<void(const CheckedSection&)>& found) {
    while (m_assembling && !bytes.empty()) {
        if (m_section.empty() && bytes[0] == kStuffing) {
            m_assembling = false;  // the rest of the packet is stuffing
            return;
        }
        const std::size_t want = m_section.size() < kSectionLengthEnd
                                     ? kSectionLengthEnd
                                     : kSectionLengthEnd + Read12(m_section, 1);
        const std::size_t take = std::min(want - m_section.size(), bytes.size());
        m_section.insert(m_section.end(), bytes.begin(), bytes.begin() + take);
        bytes = bytes.subspan(take);
        if (m_section.size() < kSectionLengthEnd ||
            m_section.size() < kSectionLengthEnd + Read12(m_section, 1))
            continue;
        if (const auto checked = CheckSection(m_section)) found(*checked);
        m_section.clear();
    }
}

}  // namespace scan
