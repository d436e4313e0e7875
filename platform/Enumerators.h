// Enumerators over a list that is taken afresh at creation and at every Reset, so that a pin
// or filter added or removed in between shows after the next Reset.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/FilterGraphInterfaces.h"

using PinListSource = std::function<std::vector<std::shared_ptr<IPin>>()>;
using FilterListSource = std::function<std::vector<std::shared_ptr<IBaseFilter>>()>;

std::shared_ptr<IEnumPins> MakePinEnumerator(PinListSource source);
std::shared_ptr<IEnumFilters> MakeFilterEnumerator(FilterListSource source);
