#include "linuxdvb/en50221/Tpdu.h"

#include "linuxdvb/en50221/LengthField.h"

namespace linuxdvb::en50221 {

Bytes MakeTpdu(std::uint8_t tag, std::uint8_t tcid, ByteView body) {
    Bytes tpdu{tag};
    AppendLengthField(tpdu, body.size() + 1);
    tpdu.push_back(tcid);
    tpdu.insert(tpdu.end(), body.begin(), body.end());
    return tpdu;
}

std::optional<std::vector<TpduObject>> SplitTpdus(ByteView response) {
    std::vector<TpduObject> objects;
    while (!response.empty()) {
        const auto object = ReadTaggedObject(response, 1);
        if (!object || object->body.empty()) return std::nullopt;
        objects.push_back({response[0], object->body[0], object->body.subspan(1)});
        response = response.subspan(object->size);
    }
    return objects;
}

}  // namespace linuxdvb::en50221
