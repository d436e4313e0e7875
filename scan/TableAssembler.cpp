#include "scan/TableAssembler.h"

namespace scan {

bool TableAssembler::Add(const CheckedSection& section) {
    const SectionHeader& h = section.header;
    if (h.tableId != m_tableId || !h.current) return Complete();
    const bool sameTable = !m_sections.empty() && h.idExtension == m_gathering.idExtension &&
                           h.version == m_gathering.version &&
                           h.lastNumber == m_gathering.lastNumber;
    if (!sameTable) {
        m_gathering = h;
        m_sections.assign(std::size_t{h.lastNumber} + 1, Bytes{});
        m_missing = m_sections.size();
    }
    Bytes& slot = m_sections[h.number];
    if (slot.empty()) {
        slot.assign(section.bytes.begin(), section.bytes.end());
        --m_missing;
    }
    return Complete();
}

}  // namespace scan
