// The tuner's kernel-streaming requests, addressed to its RF tuner node: the published DiSEqC
// command set (enable, LNB source, send) and the card's own tuner set (single-cable
// configuration, spectrum steps). Checked here, then carried out on the tuner's settings or
// its driver.
#pragma once

#include <cstdint>

#include "cardkit/TunerDevice.h"

namespace cardkit {

// IKsControl::KsProperty of the tuner's input pin.
HRESULT TunerProperty(TunerDevice& tuner, const void* header, std::uint32_t headerLength,
                      void* data, std::uint32_t dataLength, std::uint32_t* bytesReturned);

}  // namespace cardkit
