#include "card/FaultTable.h"

#include <algorithm>

namespace card {
namespace {

bool SameKey(const FaultKey& a, const FaultKey& b) {
    return a.set == b.set && a.id == b.id && a.flags == b.flags && a.tuner == b.tuner;
}

}  // namespace

void FaultTable::Set(const FaultKey& key, const Fault& fault) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_faults, [&](const auto& entry) { return SameKey(entry.first, key); });
    m_faults.emplace_back(key, fault);
}

void FaultTable::Clear() {
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

std::optional<Fault> FaultTable::Find(const GUID& set, std::uint32_t id, std::uint32_t flags,
                                      int tuner) const {
    std::lock_guard lock(m_mutex);
    for (const auto& [key, fault] : m_faults) {
        if (key.set == set && key.id == id && (key.flags == 0 || key.flags == flags) &&
            (key.tuner == 0 || key.tuner == tuner))
            return fault;
    }
    return std::nullopt;
}

}  // namespace card
