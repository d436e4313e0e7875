#include "tuner/driver/CamName.h"

#include <algorithm>

std::array<std::uint8_t, kCamNameBytes> EncodeCamName(std::string_view name) {
    std::array<std::uint8_t, kCamNameBytes> bytes{};
    const std::size_t length = std::min(name.size(), kCamNameBytes - 1);
    std::copy_n(name.begin(), length, bytes.begin());
    return bytes;
}

void DecodeCamName(std::span<const std::uint8_t, kCamNameBytes> answer,
                   std::array<std::uint8_t, kCamNameBytes>& out) {
    const auto nul = std::find(answer.begin(), answer.end(), std::uint8_t{0});
    const auto end = nul == answer.end() ? nul : nul + 1;
    std::copy(answer.begin(), end, out.begin());
    out[kCamNameBytes - 1] = 0;
}
