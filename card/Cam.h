// The conditional-access module in the simulated card's CI slot: whether one is inserted, its
// name, how often it restarted, and its MMI dialogue (the menus every driver's CAM serves).
//
// Not thread-safe: the card calls it under its own lock.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "cardkit/CamMmi.h"
#include "platform/HResult.h"

namespace card {

class Cam {
public:
    Cam(bool present, std::string name);

    bool Present() const { return m_present; }
    const std::string& Name() const { return m_name; }

    // Every operation below answers HRESULT_ERROR_NOT_READY when no CAM is in the slot.
    // Reset ends any dialogue; the CAM starts again with its settings kept.
    HRESULT Reset();
    // Presents the main menu (again, if a dialogue was going on).
    HRESULT Open();
    HRESULT Close();
    // See cardkit::CamMmi.
    HRESULT Get(std::span<std::uint8_t, cardkit::kMmiObjectSize> object) const;
    HRESULT AnswerMenu(std::uint32_t objectId, std::uint32_t choice);
    HRESULT AnswerEnquiry(std::uint32_t objectId, std::span<const std::uint8_t> answer);

    std::uint32_t Restarts() const { return m_restarts; }

private:
    bool m_present;
    std::string m_name;
    cardkit::CamMmi m_mmi;
    std::uint32_t m_restarts = 0;
};

}  // namespace card
