// Collects the PSI sections of one PID from transport packets: sections may start anywhere
// behind the pointer field, span packets and follow one another in a packet. A lost packet
// (continuity break) or a scrambled one drops the section being collected, and a section whose
// CRC does not check is dropped; every length is checked against the bytes received.
//
// Not thread-safe: its owner calls it on the stream's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace linuxdvb {

class SectionReader {
public:
    using Section = std::span<const std::uint8_t>;

    explicit SectionReader(std::uint16_t pid) : m_pid(pid) {}
    std::uint16_t Pid() const { return m_pid; }

    // One 188-byte packet; calls `found` with each complete section (header, body and CRC).
    void Add(std::span<const std::uint8_t, 188> packet, const std::function<void(Section)>& found);

private:
    void Take(std::span<const std::uint8_t> bytes, const std::function<void(Section)>& found);

    std::uint16_t m_pid;
    int m_continuity = -1;
    bool m_collecting = false;
    std::vector<std::uint8_t> m_section;
};

}  // namespace linuxdvb
