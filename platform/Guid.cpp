#include "platform/Guid.h"

#include <cstdio>

std::string GUID::ToString(bool upperCase) const {
    char text[39];
    const char* format = upperCase
                             ? "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}"
                             : "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}";
    std::snprintf(text, sizeof text, format, Data1, Data2, Data3, Data4[0], Data4[1], Data4[2],
                  Data4[3], Data4[4], Data4[5], Data4[6], Data4[7]);
    return text;
}

std::array<std::uint8_t, 16> GUID::ToWire() const {
    std::array<std::uint8_t, 16> wire{};
    for (int i = 0; i < 4; ++i) wire[i] = static_cast<std::uint8_t>(Data1 >> (8 * i));
    for (int i = 0; i < 2; ++i) wire[4 + i] = static_cast<std::uint8_t>(Data2 >> (8 * i));
    for (int i = 0; i < 2; ++i) wire[6 + i] = static_cast<std::uint8_t>(Data3 >> (8 * i));
    for (int i = 0; i < 8; ++i) wire[8 + i] = Data4[i];
    return wire;
}

GUID GUID::FromWire(const std::uint8_t* bytes) {
    GUID g;
    for (int i = 0; i < 4; ++i) g.Data1 |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    g.Data2 = static_cast<std::uint16_t>(bytes[4] | (bytes[5] << 8));
    g.Data3 = static_cast<std::uint16_t>(bytes[6] | (bytes[7] << 8));
    for (int i = 0; i < 8; ++i) g.Data4[i] = bytes[8 + i];
    return g;
}
