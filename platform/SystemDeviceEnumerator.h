// The system device enumerator (CLSID_SystemDeviceEnum): lists the devices that drivers have
// registered in a category, as monikers that bind to a new device object on each bind.
#pragma once

#include <memory>

#include "platform/DeviceInterfaces.h"

std::shared_ptr<ICreateDevEnum> CreateSystemDeviceEnumerator();
