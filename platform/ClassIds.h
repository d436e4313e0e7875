// Class identifiers of the stand-in components and the device categories.
#pragma once

#include "platform/Guid.h"

inline constexpr CLSID CLSID_FilterGraph = MakeGuid("{E436EBB3-524F-11CE-9F53-0020AF0BA770}");
inline constexpr CLSID CLSID_CaptureGraphBuilder2 =
    MakeGuid("{BF87B6E1-8C27-11D0-B3F0-00AA003761C5}");
inline constexpr CLSID CLSID_SystemDeviceEnum = MakeGuid("{62BE5D10-60EB-11D0-BD3B-00A0C911CE86}");
inline constexpr CLSID CLSID_NetworkProvider = MakeGuid("{B2F3A67C-29DA-4C78-8831-091ED509A475}");
inline constexpr CLSID CLSID_DVBSNetworkProvider =
    MakeGuid("{FA4B375A-45B4-4D45-8440-263957B11623}");
inline constexpr CLSID CLSID_DVBSTuningSpace = MakeGuid("{B64016F3-C9A2-4066-96F0-BD9563314726}");
inline constexpr CLSID CLSID_DVBSLocator = MakeGuid("{1DF7D126-4050-47F0-A7CF-4C4CA9241333}");
inline constexpr CLSID CLSID_InfTee = MakeGuid("{F8388A40-D5BB-11D0-BE5A-0080C706568E}");
inline constexpr CLSID CLSID_MPEG2Demultiplexer =
    MakeGuid("{AFB6C280-2C41-11D3-8A60-0000F81E0E4A}");
// The file writer that stores a recorded stream.
inline constexpr CLSID CLSID_FileWriter = MakeGuid("{F229397B-1BE3-466A-914A-853CC2FDA95D}");

inline constexpr GUID KSCATEGORY_BDA_NETWORK_TUNER =
    MakeGuid("{71985F48-1CA1-11D3-9CC8-00C04F7971E0}");
inline constexpr GUID KSCATEGORY_BDA_RECEIVER_COMPONENT =
    MakeGuid("{FD0A5AF4-B41D-11D2-9C95-00C04F7971E0}");

// Registers every stand-in class above (not the devices: a card's driver registers those).
void RegisterStandInClasses();
