#include "scan/Pat.h"

namespace scan {
namespace {

constexpr std::size_t kEntrySize = 4;

}  // namespace

std::optional<Pat> ParsePat(std::span<const Bytes> sections) {
    std::optional<Pat> pat;
    for (const Bytes& bytes : sections) {
        const auto section = CheckSection(bytes);
        if (!section || section->header.tableId != kPatTableId ||
            section->body.size() % kEntrySize != 0)
            continue;
        if (!pat) pat.emplace().tsid = section->header.idExtension;
        for (std::size_t at = 0; at < section->body.size(); at += kEntrySize) {
            const std::uint16_t number = Read16(section->body, at);
            const std::uint16_t pid = Read16(section->body, at + 2) & 0x1FFF;
            if (number == 0)
                pat->networkPid = pid;
            else
                pat->programs.push_back({number, pid});
        }
    }
    return pat;
}

}  // namespace scan
