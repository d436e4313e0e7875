// The conditional-access module in the card's CI slot: its name, and the MMI dialogue through
// which it shows its menus, lists and enquiries. Every object it presents gets a new id, never
// reused for the life of the card, so a reader can tell a new object from one it has seen.
//
// Not thread-safe: the card calls it under its own lock.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "card/CamMenus.h"
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
    // Writes the current object (kMmiObjectSize bytes); HRESULT_ERROR_NOT_READY without one.
    HRESULT Get(std::uint8_t* object) const;
    // A stale object id, an answer of the wrong kind or a choice beyond the items is refused
    // with HRESULT_ERROR_INVALID_PARAMETER.
    HRESULT AnswerMenu(std::uint32_t objectId, std::uint32_t choice);
    HRESULT AnswerEnquiry(std::uint32_t objectId, std::span<const std::uint8_t> answer);

    std::uint32_t Restarts() const { return m_restarts; }
    std::optional<CamPage> CurrentPage() const { return m_page; }

private:
    HRESULT CheckAnswer(std::uint32_t objectId, bool enquiry) const;
    void Show(std::optional<CamPage> page);

    bool m_present;
    std::string m_name;
    CamSettings m_settings;
    std::optional<CamPage> m_page;
    MmiPage m_object;
    std::uint32_t m_objectId = 0;
    std::uint32_t m_lastObjectId = 0;
    std::uint32_t m_restarts = 0;
};

}  // namespace card
