// The PIDs the card feeds to one tuner's demux, as its feed events say: a PID is on from its
// first filter's start to its last one's stop. The card restates at open what is on, and a PID
// started while the restatement is put together comes live as well, so the same PID may be said
// to be on twice: it counts once, and an event that changes nothing is harmless.
//
// Thread-safety: one thread at a time (the daemon's event loop).
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>

namespace testcard {

class FeedSet {
public:
    // Applies one feed event; returns how many PIDs are on now.
    std::size_t Apply(std::uint16_t pid, bool on);

private:
    std::set<std::uint16_t> m_pids;
};

}  // namespace testcard
