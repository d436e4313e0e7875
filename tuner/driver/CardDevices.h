// How the card's own filters are recognised among the system's devices: the mediums of the
// tuner's output pin, whose Id carries the tuner number in its low 8 bits, and the markers in
// the display name of a CI device.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/Guid.h"

inline constexpr GUID kTunerMedium1 = MakeGuid("{2745A798-E8CA-11D8-A988-004030004D56}");
inline constexpr GUID kTunerMedium2 = MakeGuid("{8B884E00-FBCA-11DE-B16F-000000004D56}");
inline constexpr std::uint32_t kTunerMediumNumberMask = 0xFF;

// Compared as stored: lower case, case-sensitive.
inline constexpr std::array<std::u16string_view, 5> kCiDeviceNames = {
    u"{8b884f00-fbca-11de-b16f-000000004d56}", u"{8b884f10-fbca-11de-b16f-000000004d56}",
    u"{8b884f11-fbca-11de-b16f-000000004d56}", u"{8b884f12-fbca-11de-b16f-000000004d56}",
    u"{8b884f13-fbca-11de-b16f-000000004d56}",
};
