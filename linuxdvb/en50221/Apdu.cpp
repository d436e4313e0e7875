#include "linuxdvb/en50221/Apdu.h"

#include "linuxdvb/en50221/LengthField.h"

namespace linuxdvb::en50221 {

Bytes MakeApdu(std::uint32_t tag, ByteView body) {
    Bytes apdu{static_cast<std::uint8_t>(tag >> 16), static_cast<std::uint8_t>(tag >> 8),
               static_cast<std::uint8_t>(tag)};
    AppendLengthField(apdu, body.size());
    apdu.insert(apdu.end(), body.begin(), body.end());
    return apdu;
}

std::optional<Apdu> ReadApdu(ByteView in) {
    const auto object = ReadTaggedObject(in, 3);
    if (!object) return std::nullopt;
    const std::uint32_t tag = static_cast<std::uint32_t>(in[0]) << 16 | in[1] << 8 | in[2];
    return Apdu{tag, object->body, object->size};
}

}  // namespace linuxdvb::en50221
