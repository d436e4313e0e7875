#include "platform/CaptureGraphBuilder.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/FilterGraphManager.h"
#include "platform/SystemDeviceEnumerator.h"

void RegisterStandInClasses() {
    RegisterComponentClass(CLSID_FilterGraph, [] { return std::make_shared<FilterGraphManager>(); });
    RegisterComponentClass(CLSID_CaptureGraphBuilder2,
                           [] { return std::make_shared<CaptureGraphBuilder>(); });
    RegisterComponentClass(CLSID_SystemDeviceEnum, [] { return CreateSystemDeviceEnumerator(); });
}
