#include "cardkit/MmiPage.h"

#include <algorithm>
#include <cstring>

#include "cardkit/ByteOrder.h"

namespace cardkit {

std::uint32_t MmiPage::ItemCount() const {
    if (type == kMmiEnquiry || count == kMmiNoItemCount) return 0;
    return count;
}

void WriteMmiObject(const MmiPage& page, std::uint32_t objectId, std::uint8_t* object) {
    std::memset(object, 0, kMmiObjectSize);
    std::uint8_t* text = object + 16;
    std::uint32_t length = 0;
    for (const auto& string : page.strings) {
        // Our own pages always fit; a string that would not is cut rather than overrun.
        const auto room = kMmiTextCapacity - length;
        if (room == 0) break;
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(string.size(), room - 1));
        std::memcpy(text + length, string.data(), n);
        length += n + 1;  // the NUL is already there
    }
    WriteLe32(object, objectId);
    WriteLe32(object + 4, page.type);
    WriteLe32(object + 8, page.count);
    WriteLe32(object + 12, length);
}

}  // namespace cardkit
