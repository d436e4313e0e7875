// Everything between the test card's tuner inputs and the sky, played with the simulated card's
// own models: the card's sky (card::Sky) behind a committed switch on each tuner's own cable,
// the universal LNB whose polarisation follows the supply voltage and whose band follows the
// 22 kHz tone, or, in single-cable mode, one cable shared by both tuners with a router on it that
// speaks EN 50494 (8 user bands, banks A and B) or EN 50607 (32 user bands, a bank per
// position). What a tuner then receives at a frequency comes from card::SignalModel.
//
// On the shared cable a command reaches the router only when no other is on the bus: two
// commands that overlap in time are both lost, as their bits would be on a real cable. A
// command needs the supply raised to 18 V and the tone off; so does a committed-switch message
// (any supply, tone off). A router given a PIN takes only the commands that carry it; one
// without takes commands with any PIN or none. A command the router does not take (another
// protocol's, a wrong PIN, a bank or user band it lacks) changes nothing.
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

// The user bands of the EN 50494 router, MHz: a common plan of eight.
inline constexpr std::array<std::uint32_t, 8> kUserBandsMHz{1284, 1400, 1516, 1632,
                                                            1748, 1864, 1980, 2096};
// The user bands of the EN 50607 router, MHz: 32, 36 MHz apart from 985 MHz.
inline constexpr std::array<std::uint32_t, 32> kJessUserBandsMHz = [] {
    std::array<std::uint32_t, 32> bands{};
    for (std::uint32_t i = 0; i < bands.size(); ++i) bands[i] = 985 + 36 * i;
    return bands;
}();

// What the two tuners' inputs hang on.
enum class Cabling : std::uint8_t {
    Switch,   // a cable each, behind a committed switch
    En50494,  // one cable to an EN 50494 router
    En50607,  // one cable to an EN 50607 router
};

class Antenna {
public:
    explicit Antenna(card::Sky sky);
    // The signal model refers to the sky inside.
    Antenna(const Antenna&) = delete;
    Antenna& operator=(const Antenna&) = delete;

    // Recabling forgets what the router held; `pin` is the router's, if it has one.
    void SetCabling(Cabling cabling, std::optional<std::uint8_t> pin = std::nullopt);
    Cabling GetCabling() const { return m_cabling; }
    bool SingleCable() const { return m_cabling != Cabling::Switch; }

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

    // A channel change the router took: the user band (0-based), the slot and the PIN sent.
    struct ChannelChange {
        std::size_t userBand = 0;
        Slot slot;
        std::optional<std::uint8_t> pin;
    };
    static std::optional<ChannelChange> ParseEn50494(std::span<const std::uint8_t> bytes);
    static std::optional<ChannelChange> ParseEn50607(std::span<const std::uint8_t> bytes);
    const std::uint32_t* UserBandsMHz() const;
    std::size_t UserBandCount() const;
    bool ApplyChannelChange(std::span<const std::uint8_t> bytes, OnBus& onBus);
    Reception Receive(const card::LnbState& lnb, double ifMHz, double symbolRateKsps) const;
    Reception ReceiveOnUserBand(double tunedMHz, double symbolRateKsps) const;

    card::Sky m_sky;
    card::SignalModel m_model;
    Cabling m_cabling = Cabling::Switch;
    std::optional<std::uint8_t> m_pin;
    std::array<Tuner, 2> m_tuners;
    std::array<std::optional<Slot>, kJessUserBandsMHz.size()> m_slots;
    OnBus m_lastOnBus;
};

}  // namespace testcard
