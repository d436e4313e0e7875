// Turns one PID's transport packets back into the sections they carry: a section may start
// anywhere behind the pointer field of a packet that starts one, span packets and be followed by
// more sections in the same packet. A lost packet (a gap in the continuity counter), a damaged
// or scrambled packet, or a pointer field past the payload drops the section being assembled;
// a section is passed on only when its length and CRC check (CheckSection).
//
// Not thread-safe: one reader thread feeds it.
#pragma once

#include <functional>
#include <span>

#include "scan/Section.h"

namespace scan {

inline constexpr std::size_t kPacketSize = 188;

class SectionAssembler {
public:
    explicit SectionAssembler(std::uint16_t pid) : m_pid(pid) {}

    // Feeds one packet (packets of other PIDs are ignored); calls `found` with each complete,
    // checked section.
    void Add(std::span<const std::uint8_t, kPacketSize> packet,
             const std::function<void(const CheckedSection&)>& found);

private:
    // Whether the packet continues this PID's payload without a gap; false for a repeat.
    bool Continues(std::uint8_t counter);
    void Collect(ByteSpan bytes, const std::function<void(const CheckedSection&)>& found);

    std::uint16_t m_pid;
    int m_counter = -1;  // the last packet's continuity counter; -1 before the first
    bool m_assembling = false;
    Bytes m_section;
};

}  // namespace scan
