// Where a card's driver makes its devices known: per category, an ordered list of devices, each
// with its display name and a factory that makes a new filter object per bind. The system
// device enumerator reads this table; nothing above it knows which driver registered what.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Unknown.h"

struct DeviceEntry {
    std::u16string displayName;
    std::function<std::shared_ptr<IUnknown>()> bind;  // may return empty: the bind fails
};

void RegisterDevice(const GUID& category, DeviceEntry device);
std::vector<DeviceEntry> DevicesInCategory(const GUID& category);
void ClearDevices();
