#include "linuxdvb/CamCiDriver.h"

namespace linuxdvb {
namespace {

constexpr std::size_t kCamNameLength = 255;

HRESULT ToHresult(en50221::CamSlot::Result result) {
    switch (result) {
        case en50221::CamSlot::Result::Ok:
            return S_OK;
        case en50221::CamSlot::Result::NotReady:
            return HRESULT_ERROR_NOT_READY;
        case en50221::CamSlot::Result::Invalid:
            return HRESULT_ERROR_INVALID_PARAMETER;
    }
    return E_FAIL;
}

std::size_t TextSize(const std::vector<std::string>& strings) {
    std::size_t size = 0;
    for (const std::string& s : strings) size += s.size() + 1;
    return size;
}

}  // namespace

cardkit::MmiPage ToMmiPage(const en50221::MmiDisplay& display) {
    cardkit::MmiPage page;
    page.type = display.kind;
    page.count = display.count;
    page.strings = display.strings;
    if (display.kind > en50221::MmiDisplay::kList) return page;
    while (page.strings.size() > 3 && TextSize(page.strings) > cardkit::kMmiTextCapacity) {
        page.strings.pop_back();
        if (page.count != cardkit::kMmiNoItemCount) --page.count;
    }
    return page;
}

CamCiDriver::CamCiDriver(std::shared_ptr<en50221::CamSlot> slot,
                         std::shared_ptr<ServiceDescrambler> descrambler)
    : m_slot(std::move(slot)), m_descrambler(std::move(descrambler)) {}

HRESULT CamCiDriver::CamName(std::string* name) {
    auto camName = m_slot->CamName();
    // A module still starting up (the kernel brings it up, then its application introduces
    // itself, which takes seconds) is busy; only an empty slot is not ready.
    if (!camName) return m_slot->ModulePresent() ? HRESULT_ERROR_BUSY : HRESULT_ERROR_NOT_READY;
    if (camName->size() > kCamNameLength) camName->resize(kCamNameLength);
    *name = std::move(*camName);
    return S_OK;
}

HRESULT CamCiDriver::SetCiMode(std::uint32_t mode) {
    // The kernel routes the stream through the module by itself; the mode only decides which
    // services the module is asked to descramble.
    m_descrambler->SetCiMode(mode);
    return S_OK;
}

HRESULT CamCiDriver::Reset() {
    return ToHresult(m_slot->Reset());
}

HRESULT CamCiDriver::MmiOpen() {
    return ToHresult(m_slot->EnterMenu());
}

HRESULT CamCiDriver::MmiClose() {
    return ToHresult(m_slot->CloseMmi());
}

HRESULT CamCiDriver::MmiGet(std::span<std::uint8_t, 2068> object) {
    const auto shown = m_slot->Display();
    if (!shown) return HRESULT_ERROR_NOT_READY;
    cardkit::WriteMmiObject(ToMmiPage(shown->first), shown->second, object.data());
    return S_OK;
}

HRESULT CamCiDriver::MmiAnswerMenu(std::uint32_t objectId, std::uint32_t choice) {
    return ToHresult(m_slot->AnswerMenu(objectId, choice));
}

HRESULT CamCiDriver::MmiAnswerEnquiry(std::uint32_t objectId,
                                      std::span<const std::uint8_t> answer) {
    return ToHresult(m_slot->AnswerEnquiry(objectId, answer));
}

}  // namespace linuxdvb
