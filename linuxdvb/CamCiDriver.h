// One tuner's CI filter on a real card: the module in the CA device's slot, reached through the
// host stack's slot thread, and the descrambling requests for what the tuner receives. Both tuners'
// drivers share the slot, as both CI filters of the card reach the one module.
//
// Thread-safety: any thread (see cardkit::CiDriver).
#pragma once

#include <memory>

#include "cardkit/CiDriver.h"
#include "cardkit/MmiPage.h"
#include "linuxdvb/ServiceDescrambler.h"
#include "linuxdvb/en50221/CamSlot.h"

namespace linuxdvb {

class CamCiDriver final : public cardkit::CiDriver {
public:
    CamCiDriver(std::shared_ptr<en50221::CamSlot> slot,
                std::shared_ptr<ServiceDescrambler> descrambler);

    HRESULT CamName(std::string* name) override;
    HRESULT SetCiMode(std::uint32_t mode) override;
    HRESULT Reset() override;
    HRESULT MmiOpen() override;
    HRESULT MmiClose() override;
    HRESULT MmiGet(std::span<std::uint8_t, 2068> object) override;
    HRESULT MmiAnswerMenu(std::uint32_t objectId, std::uint32_t choice) override;
    HRESULT MmiAnswerEnquiry(std::uint32_t objectId, std::span<const std::uint8_t> answer) override;

private:
    const std::shared_ptr<en50221::CamSlot> m_slot;
    const std::shared_ptr<ServiceDescrambler> m_descrambler;
};

// The object as a reader receives it: when the strings do not fit the text area, trailing
// items are dropped (and the item count with them) rather than cut in the middle.
cardkit::MmiPage ToMmiPage(const en50221::MmiDisplay& display);

}  // namespace linuxdvb
