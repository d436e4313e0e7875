#include "linuxdvb/en50221/LengthField.h"

namespace linuxdvb::en50221 {

std::optional<LengthField> ReadLengthField(ByteView in) {
    if (in.empty()) return std::nullopt;
    if (in[0] < 0x80) return LengthField{in[0], 1};
    const std::size_t bytes = in[0] & 0x7F;
    // Four bytes already describe more than any module can send; more, or none, is garbage.
    if (bytes == 0 || bytes > 4 || in.size() < 1 + bytes) return std::nullopt;
    std::size_t value = 0;
    for (std::size_t i = 1; i <= bytes; ++i) value = value << 8 | in[i];
    return LengthField{value, 1 + bytes};
}

void AppendLengthField(Bytes& out, std::size_t length) {
    if (length < 0x80) {
        out.push_back(static_cast<std::uint8_t>(length));
        return;
    }
    std::size_t bytes = 0;
    for (std::size_t rest = length; rest != 0; rest >>= 8) ++bytes;
    out.push_back(static_cast<std::uint8_t>(0x80 | bytes));
    for (std::size_t i = bytes; i-- > 0;)
        out.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
}

std::optional<TaggedObject> ReadTaggedObject(ByteView in, std::size_t tagSize) {
    if (in.size() < tagSize) return std::nullopt;
    const auto length = ReadLengthField(in.subspan(tagSize));
    if (!length) return std::nullopt;
    const std::size_t header = tagSize + length->size;
    if (length->value > in.size() - header) return std::nullopt;
    return TaggedObject{in.subspan(header, length->value), header + length->value};
}

}  // namespace linuxdvb::en50221
