#include "FeedSet.h"

namespace testcard {

std::size_t FeedSet::Apply(std::uint16_t pid, bool on) {
    if (on)
        m_pids.insert(pid);
    else
        m_pids.erase(pid);
    return m_pids.size();
}

}  // namespace testcard
