#include "linuxdvb/LnbBus.h"

#include <algorithm>
#include <utility>

#include "linuxdvb/ErrnoResult.h"
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

int LnbBus::DoWithout(int result, bool& said, const char* what) {
    if (!LacksOperation(result)) return result;
    if (!std::exchange(said, true))
        m_say(std::string("the driver has no ") + what + "; tunes go on without it");
    return 0;
}

int LnbBus::SetTone(bool on) {
    int result = m_frontend.SetTone(on);
    if (!on) result = DoWithout(result, m_saidNoTone, "22 kHz tone");
    if (result >= 0) m_toneOn = on;
    return result;
}

int LnbBus::SendBurst(bool b) {
    return DoWithout(m_frontend.SendBurst(b), m_saidNoBurst, "tone burst");
}

int LnbBus::Switch(const cardkit::LnbSelection& selection, int source) {
    if (source) {
        if (const int result = SetTone(false); result < 0) return result;
        if (const int result = SetVoltage(selection.horizontal); result < 0) return result;
        m_frontend.Pause(GapBeforeMessage());
        const int sent = m_frontend.SendMessage(cardkit::CommittedSwitchMessage(selection));
        if (sent < 0) return sent;
        m_frontend.Pause(kDiseqcGap);
        if (const int result = SendBurst(selection.position == 2 || selection.position == 4);
            result < 0)
            return result;
        m_frontend.Pause(kDiseqcGap);
    } else if (const int result = SetVoltage(selection.horizontal); result < 0) {
        return result;
    }
    return SetTone(selection.highBand);
}

void LnbBus::PowerUp() {
    if (m_powered) return;
    SetVoltage(false);
    SetTone(false);
}

int LnbBus::SendAt18Volts(std::span<const std::uint8_t> message) {
    // Routers listen at 18 V with the tone off, and are then fed at 13 V.
    const auto cable = m_frontend.Acquire(SingleCableLock());
    if (const int result = SetTone(false); result < 0) return result;
    if (const int result = SetVoltage(true); result < 0) return result;
    m_frontend.Pause(GapBeforeMessage());
    const int sent = m_frontend.SendMessage(message);
    m_frontend.Pause(kDiseqcGap);
    // Back to 13 V even after a refused message: at 18 V the line would garble every other
    // receiver's commands.
    const int fed = m_frontend.SetVoltage(false);
    return sent < 0 ? sent : std::min(fed, 0);
}

int LnbBus::Send(std::span<const std::uint8_t> message) {
    // The equipment on the cable needs power to listen.
    if (!m_powered) {
        if (const int result = SetVoltage(false); result < 0) return result;
    }
    if (m_toneOn) m_frontend.SetTone(false);
    m_frontend.Pause(GapBeforeMessage());
    const int sent = m_frontend.SendMessage(message);
    m_frontend.Pause(kDiseqcGap);
    if (m_toneOn) m_frontend.SetTone(true);
    return sent;
}

}  // namespace linuxdvb
