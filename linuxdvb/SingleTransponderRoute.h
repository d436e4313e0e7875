// In single-transponder mode the card routes one tuner's stream through the module in its CI
// slot: the tuner that chose the mode last. The descramblers of one slot share this to know
// whether their tuner is the one, and a tuner that loses the route to another hears of it, so
// that the module stops being asked for programmes it no longer sees.
//
// Thread-safety: every method from any thread. The callback of a tuner that lost the route is
// called after the route's own lock is released, on the thread that took the route.
#pragma once

#include <functional>
#include <map>
#include <mutex>

namespace linuxdvb {

class SingleTransponderRoute {
public:
    using Lost = std::function<void()>;

    // `lost` is called whenever another tuner takes the route from `tuner` (1-based). Set
    // once per tuner, before the route is used.
    void Watch(int tuner, Lost lost);
    // `tuner` chose single-transponder mode: the stream through the module is now its own.
    void Take(int tuner);
    // `tuner` chose another mode: the route is free.
    void Leave(int tuner);
    bool Holds(int tuner) const;

private:
    mutable std::mutex m_mutex;
    int m_holder = 0;  // 0: nobody
    std::map<int, Lost> m_watchers;
};

}  // namespace linuxdvb
