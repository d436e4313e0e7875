#include "platform/CaptureGraphBuilder.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DvbsLocator.h"
#include "platform/DvbsTuningSpace.h"
#include "platform/FileWriter.h"
#include "platform/FilterGraphManager.h"
#include "platform/InfiniteTee.h"
#include "platform/Mpeg2Demultiplexer.h"
#include "platform/NetworkProvider.h"
#include "platform/SystemDeviceEnumerator.h"

namespace {

template <class T, class... Args>
void RegisterClass(const CLSID& clsid, Args... args) {
    RegisterComponentClass(clsid, [=] { return std::make_shared<T>(args...); });
}

}  // namespace

void RegisterStandInClasses() {
    RegisterClass<FilterGraphManager>(CLSID_FilterGraph);
    RegisterClass<CaptureGraphBuilder>(CLSID_CaptureGraphBuilder2);
    RegisterComponentClass(CLSID_SystemDeviceEnum, [] { return CreateSystemDeviceEnumerator(); });
    RegisterClass<NetworkProvider>(CLSID_NetworkProvider, NetworkProvider::Kind::Generic);
    RegisterClass<NetworkProvider>(CLSID_DVBSNetworkProvider, NetworkProvider::Kind::Dvbs);
    RegisterClass<DvbsTuningSpace>(CLSID_DVBSTuningSpace);
    RegisterClass<DvbsLocator>(CLSID_DVBSLocator);
    RegisterClass<InfiniteTee>(CLSID_InfTee);
    RegisterClass<Mpeg2Demultiplexer>(CLSID_MPEG2Demultiplexer);
    RegisterClass<FileWriter>(CLSID_FileWriter);
}
