// Everything between the test card's tuner inputs and the sky, played with the simulated card's
// own models: the card's sky (card::Sky) behind a committed switch on each tuner's own cable,
// the universal LNB whose polarisation follows the supply voltage and whose band follows the
// 22 kHz tone, or, in single-cable mode, one cable shared by both tuners with an EN 50494 router
// on it. What a tuner then receives at a frequency comes from card::SignalModel.
//
// On the shared cable a command reaches the router only when no other is on the bus: two
// commands that overlap in time are both lost, as their bits would be on a real cable. A
// command needs the supply raised to 18 V and the tone off; so does a committed-switch message
// (any supply, tone off).
//
// Not thread-safe: the daemon's event loop owns it. Times are the kernel's event times in ns.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "BusEvent.h"
#include "card/SignalModel.h"
#include "card/Sky.h"

namespace testcard {

// What the frontend reports after a tune, on the kernel's scales.
struct Reception {
    std::uint32_t status = 0;           // FE_HAS_* bits
    std::int32_t strengthMilliDbm = 0;  // with FE_HAS_SIGNAL
    std::int32_t cnrMilliDb = 0;        // with FE_HAS_CARRIER
    const card::Transponder* locked = nullptr;
    const card::Satellite* satellite = nullptr;  // of `locked`
};

// The user bands of the single-cable router, MHz: a common plan of eight.
inline constexpr std::array<std::uint32_t, 8> kUserBandsMHz{1284, 1400, 1516, 1632,
                                                            1748, 1864, 1980, 2096};

class Antenna {
public:
    explicit Antenna(card::Sky sky);
    // The signal model refers to the sky inside.
    Antenna(const Antenna&) = delete;
    Antenna& operator=(const Antenna&) = delete;

    void SetSingleCable(bool on);
    bool SingleCable() const { return m_singleCable; }

    // The bus events; each returns what it logs. `voltage` is the kernel's enum fe_sec_voltage,
    // `tone` enum fe_sec_tone_mode, `burst` enum fe_sec_mini_cmd.
    BusEvent Voltage(int tuner, std::uint32_t voltage, std::uint64_t timeNs);
    BusEvent Tone(int tuner, std::uint32_t tone, std::uint64_t timeNs);
    BusEvent Message(int tuner, std::span<const std::uint8_t> bytes, std::uint64_t timeNs);
    BusEvent Burst(int tuner, std::uint32_t burst, std::uint64_t timeNs);
    // A tune of the demodulator to `frequencyKHz` (its input) at `symbolRate` symbols/s.
    Reception Tune(int tuner, std::uint32_t frequencyKHz, std::uint32_t symbolRate);
    static BusEvent TuneEvent(int tuner, std::uint32_t frequencyKHz, std::uint64_t timeNs,
                              const Reception& reception);

    // Every message takes this long on the bus: 22 kHz at 1.5 ms a bit, 9 bits a byte.
    static std::uint64_t MessageNs(std::size_t bytes) { return bytes * 13'500'000ull; }

private:
    enum class Supply : std::uint8_t { Off, V13, V18 };
    struct Tuner {
        Supply supply = Supply::Off;
        bool tone = false;
        card::LnbState lnb;  // what its own switch and LNB deliver
    };
    // A router slot: what the last channel change that landed asked for on that user band.
    struct Slot {
        card::LnbState bank;
        // The router's oscillator, (T + 350) x 4 MHz: it puts LNB frequency x at oscillator - x.
        double oscillatorMHz = 0;
    };
    // The last message on the shared cable, until it is known whether another talked over it.
    struct OnBus {
        int tuner = -1;
        std::uint64_t startNs = 0;
        std::uint64_t endNs = 0;
        int userBand = -1;                   // the slot it changed, if it landed
        std::optional<Slot> previousSlot{};  // to take back when it turns out garbled
    };

    bool ApplyChannelChange(std::span<const std::uint8_t> bytes, OnBus& onBus);
    Reception Receive(const card::LnbState& lnb, double ifMHz, double symbolRateKsps) const;
    Reception ReceiveOnUserBand(double tunedMHz, double symbolRateKsps) const;

    card::Sky m_sky;
    card::SignalModel m_model;
    bool m_singleCable = false;
    std::array<Tuner, 2> m_tuners;
    std::array<std::optional<Slot>, kUserBandsMHz.size()> m_slots;
    OnBus m_lastOnBus;
};

}  // namespace testcard
