#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/SystemDeviceEnumerator.h"

void RegisterStandInClasses() {
    RegisterComponentClass(CLSID_SystemDeviceEnum, [] { return CreateSystemDeviceEnumerator(); });
}
