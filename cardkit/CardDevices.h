// How a driver of the card makes its devices known, so that every driver is found the same
// way: tuner filters among the network tuners, capture and CI filters among the receiver
// components, each with its display name and a factory that makes a new filter shell per bind.
// The caller registers in the enumeration order it wants.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "cardkit/CiFilterShell.h"
#include "cardkit/StreamSource.h"
#include "cardkit/TunerDevice.h"

namespace cardkit {

void RegisterTunerDevice(std::u16string displayName, std::shared_ptr<TunerDevice> tuner);

// Each bind asks `newSource` for the new filter's own stream source.
using StreamSourceFactory = std::function<std::unique_ptr<StreamSource>()>;
void RegisterCaptureDevice(std::u16string displayName, int tuner, StreamSourceFactory newSource);

void RegisterCiDevice(std::u16string displayName, std::shared_ptr<const CiDevice> ci);

// `name` followed by the marker through which the program tells CI device `tuner` (1 or 2)
// among the receiver components.
std::u16string CiDisplayName(std::u16string_view name, int tuner);

}  // namespace cardkit
