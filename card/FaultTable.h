// Faults that a test asks the driver to show for one kind of request: refuse it with a code,
// answer with fewer bytes than it should, or take longer. Thread-safe.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/Guid.h"
#include "platform/HResult.h"

namespace card {

// Which requests a fault applies to; 0 in `flags` or `tuner` means any.
struct FaultKey {
    GUID set;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    int tuner = 0;  // the filter's tuner number (a CI filter belongs to its tuner)
};

struct Fault {
    HRESULT refuse = S_OK;                        // negative: refuse with this code
    std::optional<std::uint32_t> shortAnswer;     // report at most this many bytes returned
    std::chrono::milliseconds delay{0};           // before the request is handled
};

class FaultTable {
public:
    void Set(const FaultKey& key, const Fault& fault);  // replaces a fault with the same key
    void Clear();
    // The first fault whose key matches, if any.
    std::optional<Fault> Find(const GUID& set, std::uint32_t id, std::uint32_t flags,
                              int tuner) const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::pair<FaultKey, Fault>> m_faults;
};

}  // namespace card
