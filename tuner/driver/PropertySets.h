// The property and method sets through which the program talks to the card's driver, and the
// ids of the requests it sends in each of them.
#pragma once

#include <cstdint>

#include "platform/Guid.h"

// The published BDA DiSEqC command set, on the tuner's control node.
inline constexpr GUID KSPROPSETID_BdaDiseqCommand =
    MakeGuid("{F84E2AB0-3C6B-45E3-A0FC-8669D4B81F11}");
inline constexpr std::uint32_t KSPROPERTY_BDA_DISEQC_ENABLE = 0;      // SET, 32-bit 1 on / 0 off
inline constexpr std::uint32_t KSPROPERTY_BDA_DISEQC_LNB_SOURCE = 1;  // SET, 32-bit source 1..4
inline constexpr std::uint32_t KSPROPERTY_BDA_DISEQC_SEND = 4;        // SET, BDA_DISEQC_SEND

// The card's own tuner set, on the tuner's control node.
inline constexpr GUID KSPROPSETID_CardTuner = MakeGuid("{0AA8A601-A240-11DE-B130-000000004D56}");
inline constexpr std::uint32_t CARD_TUNER_SCIF = 1;              // SET and GET, ScifConfig
inline constexpr std::uint32_t CARD_TUNER_SPECTRUM_STEP = 1000;  // SET, SpectrumStepRequest

// The card's CI filter properties.
inline constexpr GUID KSPROPSETID_CardCi = MakeGuid("{0AA8A501-A240-11DE-B130-000000004D56}");
inline constexpr std::uint32_t CARD_CI_CAM_NAME = 1;  // GET, 256 bytes
inline constexpr std::uint32_t CARD_CI_MODE = 3100;   // SET, 32-bit CI mode

// The CAM's man-machine interface, as methods of the CI filter.
inline constexpr GUID KSMETHODSETID_CardCiMmi = MakeGuid("{0AA8A511-A240-11DE-B130-000000004D56}");
inline constexpr std::uint32_t CARD_CI_RESET = 0;               // no data
inline constexpr std::uint32_t CARD_CI_MMI_OPEN = 1;            // no data
inline constexpr std::uint32_t CARD_CI_MMI_CLOSE = 2;           // no data
inline constexpr std::uint32_t CARD_CI_MMI_GET = 3;             // MmiObject, returned
inline constexpr std::uint32_t CARD_CI_MMI_MENU_ANSWER = 4;     // MmiMenuAnswer
inline constexpr std::uint32_t CARD_CI_MMI_ENQUIRY_ANSWER = 5;  // MmiEnquiryAnswer
