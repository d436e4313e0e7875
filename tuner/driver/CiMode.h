// How the CI filter routes the stream through the CAM; sent with CARD_CI_MODE when a graph is
// built, so a change reaches the driver only with the next graph.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kCiModeBypass = 0;
inline constexpr std::uint32_t kCiModeMtd = 1;
inline constexpr std::uint32_t kCiModeSingleTransponder = 2;
