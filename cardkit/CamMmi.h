// The CAM's man-machine interface application: the dialogue through which a module shows its
// menus, lists and enquiries (the pages of CamMenus) and takes the answers. Every object it
// presents gets a new id, never reused for the life of the dialogue's owner, so a reader can tell
// a new object from one it has seen. Any driver that plays a CAM serves these same pages.
//
// Not thread-safe: its owner calls it under its own lock.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "cardkit/CamMenus.h"
#include "cardkit/MmiPage.h"
#include "platform/HResult.h"

namespace cardkit {

class CamMmi {
public:
    // Ends any dialogue; the settings the pages changed are kept.
    void Reset();
    // Presents the main menu (again, if a dialogue was going on).
    void Open();
    void Close();

    // The object shown, and its id; none between dialogues.
    const MmiPage* Current() const { return m_page ? &m_object : nullptr; }
    std::uint32_t CurrentId() const { return m_objectId; }
    std::optional<CamPage> CurrentPage() const { return m_page; }

    // Writes the current object (kMmiObjectSize bytes); HRESULT_ERROR_NOT_READY without one.
    HRESULT Get(std::span<std::uint8_t, kMmiObjectSize> object) const;
    // A stale object id, an answer of the wrong kind or a choice beyond the items is refused
    // with HRESULT_ERROR_INVALID_PARAMETER; without an object, HRESULT_ERROR_NOT_READY.
    HRESULT AnswerMenu(std::uint32_t objectId, std::uint32_t choice);
    // The answer may lead with a character-table selector; an empty answer cancels.
    HRESULT AnswerEnquiry(std::uint32_t objectId, std::span<const std::uint8_t> answer);

private:
    HRESULT CheckAnswer(std::uint32_t objectId, bool enquiry) const;
    void Show(std::optional<CamPage> page);

    CamSettings m_settings;
    std::optional<CamPage> m_page;
    MmiPage m_object;
    std::uint32_t m_objectId = 0;
    std::uint32_t m_lastObjectId = 0;
};

// Bytes of the character-table selector that lead a DVB text (0 when it starts with a
// character): 0x10 takes three bytes, 0x1F two, the other codes below 0x20 one.
std::size_t SelectorLength(std::span<const std::uint8_t> text);

}  // namespace cardkit
