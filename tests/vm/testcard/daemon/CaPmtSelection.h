// Which elementary streams a CAM has been asked to descramble: the programmes of the ca_pmt
// objects the host sent (list management "only", "first", "more", "last", "add", "update"),
// each selected when its command is ok_descrambling or ok_mmi, or when it has none (a
// programme without CA descriptors carries no command: being listed is the request), and
// dropped when it is not_selected; a query selects nothing.
//
// Not thread-safe: its owner guards it.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <span>

namespace testcard {

class CaPmtSelection {
public:
    // One ca_pmt body (after its APDU tag and length); false when it is malformed, and then it
    // changes nothing.
    bool Apply(std::span<const std::uint8_t> body);
    // Whether a packet of `pid` leaves clear on a stream that carries `programmes`: each stream
    // of the module is descrambled for its own programmes only.
    bool Descrambles(std::uint16_t pid, const std::set<std::uint16_t>& programmes) const;
    std::set<std::uint16_t> Programmes() const;

private:
    std::map<std::uint16_t, std::set<std::uint16_t>> m_programmes;  // programme -> its PIDs
};

}  // namespace testcard
