// What vidtv puts in the stream of every transponder it carries: one radio service with its
// PAT, PMT and SDT, under fixed identifiers.
#pragma once

#include <cstdint>

namespace vm {

inline constexpr std::uint16_t kVidtvNetworkId = 0xFF44;  // the SDT's original network id
inline constexpr std::uint16_t kVidtvTransportStreamId = 0x4081;
inline constexpr std::uint16_t kVidtvServiceId = 0x880;
inline constexpr const char* kVidtvServiceName = "Beethoven";
// vidtv sends no symbol rate of its own; it locks at any the frontend takes.
inline constexpr std::uint32_t kVidtvSymbolRate = 27500;  // ksymbol/s

}  // namespace vm
