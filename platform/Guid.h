// A 16-byte globally unique identifier: text form "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" and
// the little-endian wire layout (32-bit, 16-bit, 16-bit, then 8 bytes) that requests carry.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::array<std::uint8_t, 8> Data4{};

    // Parses "{...}" or the bare 36-character form; any other text gives nothing.
    static constexpr std::optional<GUID> Parse(std::string_view text);

    std::string ToString(bool upperCase = true) const;  // "{...}"
    std::array<std::uint8_t, 16> ToWire() const;
    static GUID FromWire(const std::uint8_t* bytes);  // reads 16 bytes

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
    friend constexpr auto operator<=>(const GUID&, const GUID&) = default;
};

using CLSID = GUID;
using IID = GUID;

inline constexpr GUID GUID_NULL{};

namespace guid_detail {
constexpr int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
constexpr std::optional<std::uint64_t> HexField(std::string_view text, std::size_t at,
                                                std::size_t digits) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int v = HexValue(text[at + i]);
        if (v < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(v);
    }
    return value;
}
}  // namespace guid_detail

constexpr std::optional<GUID> GUID::Parse(std::string_view text) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-')
        return std::nullopt;
    using guid_detail::HexField;
    const auto d1 = HexField(text, 0, 8), d2 = HexField(text, 9, 4), d3 = HexField(text, 14, 4);
    if (!d1 || !d2 || !d3) return std::nullopt;
    GUID g;
    g.Data1 = static_cast<std::uint32_t>(*d1);
    g.Data2 = static_cast<std::uint16_t>(*d2);
    g.Data3 = static_cast<std::uint16_t>(*d3);
    constexpr std::size_t kByteAt[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (std::size_t i = 0; i < 8; ++i) {
        const auto b = HexField(text, kByteAt[i], 2);
        if (!b) return std::nullopt;
        g.Data4[i] = static_cast<std::uint8_t>(*b);
    }
    return g;
}

// Compile-time GUID from its text; a malformed literal does not compile.
consteval GUID MakeGuid(std::string_view text) {
    const auto g = GUID::Parse(text);
    if (!g) throw "malformed GUID literal";
    return *g;
}

template <>
struct std::hash<GUID> {
    std::size_t operator()(const GUID& g) const noexcept {
        std::size_t h = g.Data1 ^ (static_cast<std::size_t>(g.Data2) << 32) ^
                        (static_cast<std::size_t>(g.Data3) << 48);
        for (auto b : g.Data4) h = h * 131 + b;
        return h;
    }
};
