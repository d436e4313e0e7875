// Gathers the sections of one table until every section of one version is in: the sections
// 0..last_section_number with the same table id extension and version. A section of another
// version or extension starts the gathering afresh, so a table that changes while it is read is
// never a mix of two versions; sections not yet current are ignored.
//
// Not thread-safe: one reader thread feeds it.
#pragma once

#include "scan/Section.h"

namespace scan {

class TableAssembler {
public:
    explicit TableAssembler(std::uint8_t tableId) : m_tableId(tableId) {}

    // Takes one checked section; sections of other tables are ignored. True once complete.
    bool Add(const CheckedSection& section);
    bool Complete() const { return !m_sections.empty() && m_missing == 0; }
    // The complete table's sections in section order; empty until it is complete.
    std::vector<Bytes> Sections() const { return Complete() ? m_sections : std::vector<Bytes>{}; }

private:
    std::uint8_t m_tableId;
    SectionHeader m_gathering;  // extension, version and last number of the sections held
    std::vector<Bytes> m_sections;
    std::size_t m_missing = 0;
};

}  // namespace scan
