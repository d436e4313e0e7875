#include "TsReader.h"

namespace cardtest {

void TsReader::Add(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() % 188 != 0) ++errors;
    for (std::size_t at = 0; at + 188 <= bytes.size(); at += 188) {
        const std::uint8_t* p = &bytes[at];
        ++packets;
        if (p[0] != 0x47) {
            ++errors;
            continue;
        }
        const auto pid = static_cast<std::uint16_t>(((p[1] & 0x1F) << 8) | p[2]);
        ++packetsByPid[pid];
        if (p[3] & 0xC0) ++scrambledByPid[pid];
        if (pid == 0x1FFF) continue;
        const int cc = p[3] & 0x0F;
        const auto last = lastContinuity.find(pid);
        if (last != lastContinuity.end() && ((last->second + 1) & 0x0F) != cc) ++continuityErrors;
        lastContinuity[pid] = cc;
    }
    stream.insert(stream.end(), bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> TsReader::FirstSection(std::uint16_t pid) const {
    std::vector<std::uint8_t> section;
    bool started = false;
    for (std::size_t at = 0; at + 188 <= stream.size(); at += 188) {
        const std::uint8_t* p = &stream[at];
        if ((((p[1] & 0x1F) << 8) | p[2]) != pid) continue;
        const bool unitStart = (p[1] & 0x40) != 0;
        if (!started && !unitStart) continue;
        const std::uint8_t* payload = p + 4;
        std::size_t length = 184;
        if (!started) {
            started = true;
            length -= 1 + payload[0];
            payload += 1 + payload[0];
        }
        section.insert(section.end(), payload, payload + length);
        if (section.size() >= 3) {
            const std::size_t total = 3 + (((section[1] & 0x0F) << 8) | section[2]);
            if (section.size() >= total) {
                section.resize(total);
                return section;
            }
        }
    }
    return {};
}

int TsReader::FirstTsid() const {
    const auto pat = FirstSection(0);
    return pat.size() > 4 ? (pat[3] << 8) | pat[4] : -1;
}

}  // namespace cardtest
