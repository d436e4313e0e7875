#include "tuner/driver/MmiObject.h"

#include <algorithm>

#include "tuner/driver/ByteOrder.h"

std::array<std::uint8_t, kMmiObjectSize> EncodeMmiObject(const MmiObject& object) {
    std::array<std::uint8_t, kMmiObjectSize> bytes{};
    PutUint32(&bytes[0], object.objectId);
    PutUint32(&bytes[4], object.type);
    PutUint32(&bytes[8], object.count);
    PutUint32(&bytes[12], object.textLength);
    std::copy(object.text.begin(), object.text.end(), bytes.begin() + 16);
    return bytes;
}

MmiObject DecodeMmiObject(std::span<const std::uint8_t, kMmiObjectSize> bytes) {
    MmiObject object;
    object.objectId = GetUint32(&bytes[0]);
    object.type = GetUint32(&bytes[4]);
    object.count = GetUint32(&bytes[8]);
    object.textLength = GetUint32(&bytes[12]);
    std::copy_n(bytes.begin() + 16, kMmiObjectTextSize, object.text.begin());
    return object;
}
