#include "linuxdvb/LnbBus.h"

#include <utility>

#include "linuxdvb/SingleCableLock.h"

namespace linuxdvb {
namespace {

using namespace std::chrono_literals;

constexpr auto kDiseqcGap = 15ms;
constexpr auto kSwitchPowerUp = 200ms;

}  // namespace

bool LnbBus::TakeFreshlyPowered() {
    return std::exchange(m_freshlyPowered, false);
}

int LnbBus::SetVoltage(bool horizontal) {
    const int result = m_frontend.SetVoltage(horizontal);
    if (!m_powered && result >= 0) {
        m_powered = true;
        m_freshlyPowered = true;
        m_switchesWaking = true;
    }
    return result;
}

std::chrono::microseconds LnbBus::GapBeforeMessage() {
    return std::exchange(m_switchesWaking, false) ? kSwitchPowerUp : kDiseqcGap;
}

bool LnbBus::Switch(const cardkit::LnbSelection& selection, int source) {
    bool failed = false;
    const auto check = [&failed](int result) { failed = failed || result < 0; };
    if (source) {
        check(m_frontend.SetTone(false));
        check(SetVoltage(selection.horizontal));
        m_frontend.Pause(GapBeforeMessage());
        check(m_frontend.SendMessage(cardkit::CommittedSwitchMessage(selection)));
        m_frontend.Pause(kDiseqcGap);
        check(m_frontend.SendBurst(selection.position == 2 || selection.position == 4));
        m_frontend.Pause(kDiseqcGap);
    } else {
        check(SetVoltage(selection.horizontal));
    }
    check(m_frontend.SetTone(selection.highBand));
    m_toneOn = selection.highBand;
    return !failed;
}

void LnbBus::PowerUp() {
    if (m_powered) return;
    SetVoltage(false);
    m_frontend.SetTone(false);
    m_toneOn = false;
}

int LnbBus::SendAt18Volts(std::span<const std::uint8_t> message) {
    // Routers listen at 18 V with the tone off, and are then fed at 13 V.
    const auto cable = m_frontend.Acquire(SingleCableLock());
    m_frontend.SetTone(false);
    m_toneOn = false;
    SetVoltage(true);
    m_frontend.Pause(GapBeforeMessage());
    const int sent = m_frontend.SendMessage(message);
    m_frontend.Pause(kDiseqcGap);
    m_frontend.SetVoltage(false);
    return sent;
}

int LnbBus::Send(std::span<const std::uint8_t> message) {
    if (!m_powered) SetVoltage(false);  // the equipment on the cable needs power to listen
    if (m_toneOn) m_frontend.SetTone(false);
    m_frontend.Pause(GapBeforeMessage());
    const int sent = m_frontend.SendMessage(message);
    m_frontend.Pause(kDiseqcGap);
    if (m_toneOn) m_frontend.SetTone(true);
    return sent;
}

}  // namespace linuxdvb
