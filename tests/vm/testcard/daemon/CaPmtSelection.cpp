#include "CaPmtSelection.h"

#include <optional>

namespace testcard {
namespace {

enum : std::uint8_t { kMore = 0, kFirst = 1, kLast = 2, kOnly = 3, kAdd = 4, kUpdate = 5 };
enum : std::uint8_t { kQuery = 3, kNotSelected = 4 };

std::uint16_t Word(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

}  // namespace

bool CaPmtSelection::Apply(std::span<const std::uint8_t> body) {
    if (body.size() < 6) return false;
    const std::uint8_t management = body[0];
    const std::uint16_t programme = Word(body, 1);
    const std::size_t infoLength = Word(body, 4) & 0x0FFF;
    std::size_t at = 6;
    if (management > kUpdate || at + infoLength > body.size()) return false;
    // The command of the programme level, if it has one, then of each stream.
    std::optional<std::uint8_t> command;
    if (infoLength > 0) command = body[at];
    at += infoLength;
    std::set<std::uint16_t> pids;
    while (at < body.size()) {
        if (at + 5 > body.size()) return false;
        const auto pid = static_cast<std::uint16_t>(Word(body, at + 1) & 0x1FFF);
        const std::size_t esLength = Word(body, at + 3) & 0x0FFF;
        if (at + 5 + esLength > body.size()) return false;
        if (esLength > 0) command = body[at + 5];
        pids.insert(pid);
        at += 5 + esLength;
    }

    if (management == kOnly || management == kFirst) m_programmes.clear();
    if (command == kNotSelected || command == kQuery)
        m_programmes.erase(programme);  // a query descrambles nothing until it is selected
    else
        m_programmes[programme] = std::move(pids);
    return true;
}

std::set<std::uint16_t> CaPmtSelection::Programmes() const {
    std::set<std::uint16_t> programmes;
    for (const auto& [programme, pids] : m_programmes) programmes.insert(programme);
    return programmes;
}

bool CaPmtSelection::Descrambles(std::uint16_t pid,
                                 const std::set<std::uint16_t>& programmes) const {
    for (const std::uint16_t programme : programmes) {
        const auto selected = m_programmes.find(programme);
        if (selected != m_programmes.end() && selected->second.contains(pid)) return true;
    }
    return false;
}

}  // namespace testcard
