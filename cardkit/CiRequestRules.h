// What a card's CI filter answers: the CI property set (CAM name, routing mode) and the MMI
// method set, with their exact data lengths. Every driver checks CI requests against these.
#pragma once

#include <cstdint>

#include "cardkit/CardIds.h"
#include "cardkit/KsRequest.h"
#include "cardkit/MmiPage.h"
#include "platform/KsInterfaces.h"

namespace cardkit {

inline constexpr std::uint32_t kCamNameSize = 256;
inline constexpr std::uint32_t kMenuAnswerSize = 8;
inline constexpr std::uint32_t kEnquiryAnswerHeader = 12;  // id, length, and a trailing word

inline constexpr RequestRule kCiPropertyRules[] = {
    {KSPROPSETID_CardCi, CARD_CI_CAM_NAME, KSPROPERTY_TYPE_GET, kPlainHeaderLength, kCamNameSize},
    {KSPROPSETID_CardCi, CARD_CI_MODE, KSPROPERTY_TYPE_SET, kPlainHeaderLength, 4},
};

inline constexpr RequestRule kCiMethodRules[] = {
    {KSMETHODSETID_CardCiMmi, CARD_CI_RESET, KSMETHOD_TYPE_SEND, kPlainHeaderLength, 0},
    {KSMETHODSETID_CardCiMmi, CARD_CI_MMI_OPEN, KSMETHOD_TYPE_SEND, kPlainHeaderLength, 0},
    {KSMETHODSETID_CardCiMmi, CARD_CI_MMI_CLOSE, KSMETHOD_TYPE_SEND, kPlainHeaderLength, 0},
    {KSMETHODSETID_CardCiMmi, CARD_CI_MMI_GET, KSMETHOD_TYPE_SEND, kPlainHeaderLength,
     kMmiObjectSize},
    {KSMETHODSETID_CardCiMmi, CARD_CI_MMI_MENU_ANSWER, KSMETHOD_TYPE_SEND, kPlainHeaderLength,
     kMenuAnswerSize},
    {KSMETHODSETID_CardCiMmi, CARD_CI_MMI_ENQUIRY_ANSWER, KSMETHOD_TYPE_SEND, kPlainHeaderLength,
     kVariableLength},
};

}  // namespace cardkit
