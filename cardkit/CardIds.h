// Identifiers through which the card's filters are found and addressed: the property and method
// sets the driver answers, their request ids, the pin mediums and the CI device-name markers.
//
// These are the drivers' own copies, shared by every driver of the card. The program carries its
// own as well, so that a typing error on either side shows up as a refused request instead of
// slipping through.
#pragma once

#include <cstdint>

#include "platform/Guid.h"

namespace cardkit {

// Property and method sets.
inline constexpr GUID KSPROPSETID_BdaDiseqCommand = MakeGuid("{F84E2AB0-3C6B-45E3-A0FC-8669D4B81F11}");
inline constexpr GUID KSPROPSETID_CardTuner = MakeGuid("{0AA8A601-A240-11DE-B130-000000004D56}");
inline constexpr GUID KSPROPSETID_CardCi = MakeGuid("{0AA8A501-A240-11DE-B130-000000004D56}");
inline constexpr GUID KSMETHODSETID_CardCiMmi = MakeGuid("{0AA8A511-A240-11DE-B130-000000004D56}");

// KSPROPSETID_BdaDiseqCommand
inline constexpr std::uint32_t KSPROPERTY_BDA_DISEQC_ENABLE = 0;
inline constexpr std::uint32_t KSPROPERTY_BDA_DISEQC_LNB_SOURCE = 1;
inline constexpr std::uint32_t KSPROPERTY_BDA_DISEQC_SEND = 4;
// KSPROPSETID_CardTuner
inline constexpr std::uint32_t CARD_TUNER_SCIF = 1;
inline constexpr std::uint32_t CARD_TUNER_SPECTRUM_STEP = 1000;
// KSPROPSETID_CardCi
inline constexpr std::uint32_t CARD_CI_CAM_NAME = 1;
inline constexpr std::uint32_t CARD_CI_MODE = 3100;
// CARD_CI_MODE values: how the CI slot is routed.
inline constexpr std::uint32_t kCiModeBypass = 0;
inline constexpr std::uint32_t kCiModeMtd = 1;  // multi-transponder decryption
inline constexpr std::uint32_t kCiModeSingleTransponder = 2;
// KSMETHODSETID_CardCiMmi
inline constexpr std::uint32_t CARD_CI_RESET = 0;
inline constexpr std::uint32_t CARD_CI_MMI_OPEN = 1;
inline constexpr std::uint32_t CARD_CI_MMI_CLOSE = 2;
inline constexpr std::uint32_t CARD_CI_MMI_GET = 3;
inline constexpr std::uint32_t CARD_CI_MMI_MENU_ANSWER = 4;
inline constexpr std::uint32_t CARD_CI_MMI_ENQUIRY_ANSWER = 5;

// Mediums of a tuner's output pin that tell the two tuners apart (Id = tuner number).
inline constexpr GUID kTunerMedium1 = MakeGuid("{2745A798-E8CA-11D8-A988-004030004D56}");
inline constexpr GUID kTunerMedium2 = MakeGuid("{8B884E00-FBCA-11DE-B16F-000000004D56}");
// The card's internal links: tuner n to capture n, capture n to CI n (Id = tuner number). Only
// pins of the same tuner share a link medium, which is how the kernel pairs them.
inline constexpr GUID kTunerCaptureLink = MakeGuid("{4F52564C-0001-4C4E-4B00-43415244534D}");
inline constexpr GUID kCaptureCiLink = MakeGuid("{4F52564C-0002-4C4E-4B00-43415244534D}");

// Markers in the CI devices' display names, one per CI device of the card.
inline constexpr const char16_t* kCiDeviceMarker[2] = {
    u"{8b884f10-fbca-11de-b16f-000000004d56}",
    u"{8b884f11-fbca-11de-b16f-000000004d56}",
};

}  // namespace cardkit
