// The LNB supply and the DiSEqC bus of one frontend as a tuner drives them: the voltage, the
// 22 kHz tone, committed-switch messages with their tone burst, raw messages, and single-cable
// commands.
//
// Its timing: 15 ms of quiet before and after every message and burst; after the supply comes
// on, the first message waits 200 ms instead, since switches need 100-200 ms to power up and
// ignore what comes earlier. Single-cable commands go out at 18 V with the tone off, under
// SingleCableLock(), and the line then drops back to 13 V to feed the router.
//
// A call the driver refuses fails what it was for with the driver's -errno: a switch or a router
// that did not hear its command would let the tuner lock another satellite's or user band's
// transponder. Two operations are left out by many drivers and a tune can do without them: the
// tone burst (the committed-switch message has set the position already) and turning off a
// tone the driver never had. When the driver lacks one of these (EOPNOTSUPP, ENOTTY or the
// kernel's ENOTSUPP), the user is told once and the call counts as done.
//
// Not thread-safe: owned by one tuner driver and used under its lock.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "cardkit/CommittedSwitch.h"
#include "linuxdvb/Frontend.h"

namespace linuxdvb {

class LnbBus {
public:
    // `say` tells the user a line of text (on the tuning thread).
    using Say = std::function<void(const std::string&)>;
    LnbBus(Frontend& frontend, Say say) : m_frontend(frontend), m_say(std::move(say)) {}

    // Whether the LNB voltage was set since the frontend was opened.
    bool Powered() const { return m_powered; }
    // True once after the supply came on: the first lock wait after it may take longer.
    bool TakeFreshlyPowered();

    // Voltage, tone, and for `source` 1-4 the committed switch and its burst; 0 or -errno.
    int Switch(const cardkit::LnbSelection& selection, int source);
    // Feeds an unpowered LNB at 13 V with the tone off (an unpowered input reads no level).
    void PowerUp();
    // One message at 18 V under the single-cable lock, then back to 13 V; 0 or -errno.
    int SendAt18Volts(std::span<const std::uint8_t> message);
    // One message as it is, the line powered first and the tone off around it; 0 or -errno.
    int Send(std::span<const std::uint8_t> message);

private:
    // The LNB voltage, noting when the supply comes on.
    int SetVoltage(bool horizontal);
    // The 22 kHz tone; turning it off counts as done on a driver that has none.
    int SetTone(bool on);
    // Tone burst A or B; counts as done on a driver that has none.
    int SendBurst(bool b);
    // `result`, or 0 after telling the user once (`said`) that the driver lacks the operation.
    int DoWithout(int result, bool& said, const char* what);
    // The quiet before a DiSEqC message: longer for the first one after power-up.
    std::chrono::microseconds GapBeforeMessage();

    Frontend& m_frontend;
    const Say m_say;
    bool m_saidNoTone = false;
    bool m_saidNoBurst = false;
    bool m_toneOn = false;
    bool m_powered = false;         // LNB voltage set since open
    bool m_freshlyPowered = false;  // no tune has waited for lock since the supply came on
    bool m_switchesWaking = false;  // no DiSEqC message since the supply came on
};

}  // namespace linuxdvb
