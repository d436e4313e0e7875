#include "Antenna.h"

#include <linux/dvb/frontend.h>

#include <cmath>

#include "card/DiseqcBus.h"

namespace testcard {
namespace {

// dBµV across the tuner's 75 Ω input is dBm + 108.75: the card's level scale is dBµV.
constexpr double kDbmToDbMicrovolt = 108.75;
// A router's user band passes this much either side of its centre (less than half the EN 50607
// plan's spacing).
constexpr double kUserBandHalfWidthMHz = 17.0;
constexpr std::uint32_t kLocked =
    FE_HAS_SIGNAL | FE_HAS_CARRIER | FE_HAS_VITERBI | FE_HAS_SYNC | FE_HAS_LOCK;

std::uint32_t VoltsOf(std::uint32_t voltage) {
    switch (voltage) {
        case SEC_VOLTAGE_13:
            return 13;
        case SEC_VOLTAGE_18:
            return 18;
        default:
            return 0;
    }
}

// Power of what is left of `totalDb` once `floorDb` is taken out, dB.
double LessPowerDb(double totalDb, double floorDb) {
    const double rest = std::pow(10.0, totalDb / 10.0) - std::pow(10.0, floorDb / 10.0);
    return rest > 0 ? 10.0 * std::log10(rest) : -100.0;
}

}  // namespace

Antenna::Antenna(card::Sky sky) : m_sky(std::move(sky)), m_model(m_sky) {}

void Antenna::SetCabling(Cabling cabling, std::optional<std::uint8_t> pin) {
    m_cabling = cabling;
    m_pin = pin;
    m_slots = {};
    m_lastOnBus = {};
}

BusEvent Antenna::Voltage(int tuner, std::uint32_t voltage, std::uint64_t timeNs) {
    Tuner& t = m_tuners.at(static_cast<std::size_t>(tuner));
    const std::uint32_t volts = VoltsOf(voltage);
    t.supply = volts == 18 ? Supply::V18 : volts == 13 ? Supply::V13 : Supply::Off;
    if (t.supply != Supply::Off)
        t.lnb.polarisation = t.supply == Supply::V18 ? card::LinearPolarisation::Horizontal
                                                     : card::LinearPolarisation::Vertical;
    return {.timeNs = timeNs, .tuner = tuner, .kind = BusKind::Voltage, .value = volts};
}

BusEvent Antenna::Tone(int tuner, std::uint32_t tone, std::uint64_t timeNs) {
    Tuner& t = m_tuners.at(static_cast<std::size_t>(tuner));
    t.tone = tone == SEC_TONE_ON;
    t.lnb.highBand = t.tone;
    return {.timeNs = timeNs, .tuner = tuner, .kind = BusKind::Tone, .value = t.tone ? 1u : 0u};
}

BusEvent Antenna::Burst(int tuner, std::uint32_t burst, std::uint64_t timeNs) {
    // The committed switch takes its position from the message; the burst is only logged.
    return {.timeNs = timeNs,
            .tuner = tuner,
            .kind = BusKind::Burst,
            .value = burst == SEC_MINI_B ? 1u : 0u};
}

BusEvent Antenna::Message(int tuner, std::span<const std::uint8_t> bytes, std::uint64_t timeNs) {
    Tuner& t = m_tuners.at(static_cast<std::size_t>(tuner));
    BusEvent event{.timeNs = timeNs,
                   .tuner = tuner,
                   .kind = BusKind::Message,
                   .bytes = {bytes.begin(), bytes.end()}};
    const bool heard = t.supply != Supply::Off && !t.tone;
    if (!SingleCable()) {
        event.landed = heard;
        // The switch picks the port; polarisation and band follow the supply and the tone.
        if (heard)
            if (const auto selected = card::ApplyCommittedSwitch(bytes, t.lnb))
                t.lnb.position = selected->position;
        return event;
    }

    OnBus current{.tuner = tuner, .startNs = timeNs, .endNs = timeNs + MessageNs(bytes.size())};
    if (m_lastOnBus.tuner >= 0 && timeNs < m_lastOnBus.endNs) {
        // Both tuners talked at once: neither command reached the router.
        if (m_lastOnBus.userBand >= 0)
            m_slots[static_cast<std::size_t>(m_lastOnBus.userBand)] = m_lastOnBus.previousSlot;
        event.landed = false;
        event.note = "talked over";
    } else {
        event.landed = t.supply == Supply::V18 && !t.tone;
        if (!event.landed)
            event.note = t.tone ? "tone on" : "not at 18 V";
        else if (!ApplyChannelChange(bytes, current))
            event.note = "ignored by the router";
    }
    current.endNs = std::max(current.endNs, m_lastOnBus.endNs);
    m_lastOnBus = current;
    return event;
}

std::optional<Antenna::ChannelChange> Antenna::ParseEn50494(std::span<const std::uint8_t> bytes) {
    // E0 10 5A d1 d2, or E0 10 5C d1 d2 PIN (E1 for a repeat).
    const bool plain = bytes.size() == 5 && bytes[2] == 0x5A;
    const bool withPin = bytes.size() == 6 && bytes[2] == 0x5C;
    if (!(plain || withPin) || (bytes[0] & 0xFE) != 0xE0) return {};
    const std::uint32_t word = (static_cast<std::uint32_t>(bytes[3] & 0x03) << 8) | bytes[4];
    const std::uint8_t bank = (bytes[3] >> 2) & 0x07;
    ChannelChange change;
    change.userBand = bytes[3] >> 5;
    change.slot.bank.position = bank & 0x04 ? 2 : 1;
    change.slot.bank.polarisation =
        bank & 0x02 ? card::LinearPolarisation::Horizontal : card::LinearPolarisation::Vertical;
    change.slot.bank.highBand = bank & 0x01;
    change.slot.oscillatorMHz = (word + 350.0) * 4.0;
    if (withPin) change.pin = bytes[5];
    return change;
}

std::optional<Antenna::ChannelChange> Antenna::ParseEn50607(std::span<const std::uint8_t> bytes) {
    // 70 d1 d2 d3, or 71 d1 d2 d3 PIN: d1 user band (5 bits) and T's top 3 bits, d2 T's low
    // byte, d3 position (6 bits), polarisation and band.
    const bool plain = bytes.size() == 4 && bytes[0] == 0x70;
    const bool withPin = bytes.size() == 5 && bytes[0] == 0x71;
    if (!(plain || withPin)) return {};
    const std::uint32_t word = (static_cast<std::uint32_t>(bytes[1] & 0x07) << 8) | bytes[2];
    ChannelChange change;
    change.userBand = bytes[1] >> 3;
    change.slot.bank.position = (bytes[3] >> 2) + 1;
    change.slot.bank.polarisation =
        bytes[3] & 0x02 ? card::LinearPolarisation::Horizontal : card::LinearPolarisation::Vertical;
    change.slot.bank.highBand = bytes[3] & 0x01;
    // The router puts LNB frequency T + 100 MHz on the user band's centre, inverted as the
    // EN 50494 router does: x lands at (T + 100 + f_UB) - x.
    change.slot.oscillatorMHz = word + 100.0 + kJessUserBandsMHz[change.userBand];
    if (withPin) change.pin = bytes[4];
    return change;
}

const std::uint32_t* Antenna::UserBandsMHz() const {
    return m_cabling == Cabling::En50607 ? kJessUserBandsMHz.data() : kUserBandsMHz.data();
}

std::size_t Antenna::UserBandCount() const {
    return m_cabling == Cabling::En50607 ? kJessUserBandsMHz.size() : kUserBandsMHz.size();
}

bool Antenna::ApplyChannelChange(std::span<const std::uint8_t> bytes, OnBus& onBus) {
    const std::optional<ChannelChange> change =
        m_cabling == Cabling::En50607 ? ParseEn50607(bytes) : ParseEn50494(bytes);
    if (!change || (m_pin && change->pin != m_pin)) return false;
    // A bank beyond the sky's positions has no LNB behind it.
    if (change->slot.bank.position > static_cast<int>(m_sky.positions.size())) return false;
    onBus.userBand = static_cast<int>(change->userBand);
    onBus.previousSlot = m_slots[change->userBand];
    m_slots[change->userBand] = change->slot;
    return true;
}

Reception Antenna::Tune(int tuner, std::uint32_t frequencyKHz, std::uint32_t symbolRate) {
    const Tuner& t = m_tuners.at(static_cast<std::size_t>(tuner));
    if (t.supply == Supply::Off) return {};  // nothing powers the LNB or the router
    const double mhz = frequencyKHz / 1000.0;
    const double ksps = symbolRate / 1000.0;
    return SingleCable() ? ReceiveOnUserBand(mhz, ksps) : Receive(t.lnb, mhz, ksps);
}

Reception Antenna::Receive(const card::LnbState& lnb, double ifMHz, double symbolRateKsps) const {
    Reception r;
    r.status = FE_HAS_SIGNAL;
    r.strengthMilliDbm = static_cast<std::int32_t>(
        std::lround((m_model.LevelDb(lnb, ifMHz) - kDbmToDbMicrovolt) * 1000));
    r.locked = m_model.Lock(lnb, ifMHz, symbolRateKsps);
    if (!r.locked) return r;
    r.status = kLocked;
    r.satellite = &m_sky.positions.at(static_cast<std::size_t>(lnb.position - 1));
    const double carrierIfMHz =
        card::SignalModel::IntermediateMHz(r.locked->frequencyMHz, lnb.highBand);
    const double floor = card::SignalModel::NoiseFloorDb(carrierIfMHz);
    r.cnrMilliDb = static_cast<std::int32_t>(
        std::lround((LessPowerDb(m_model.LevelDb(lnb, carrierIfMHz), floor) - floor) * 1000));
    return r;
}

Reception Antenna::ReceiveOnUserBand(double tunedMHz, double symbolRateKsps) const {
    const std::uint32_t* bands = UserBandsMHz();
    for (std::size_t band = 0; band < UserBandCount(); ++band) {
        if (std::abs(tunedMHz - bands[band]) > kUserBandHalfWidthMHz || !m_slots[band]) continue;
        const Slot& slot = *m_slots[band];
        return Receive(slot.bank, slot.oscillatorMHz - tunedMHz, symbolRateKsps);
    }
    // Between the user bands the router puts nothing on the cable but its own noise.
    Reception r;
    r.status = FE_HAS_SIGNAL;
    r.strengthMilliDbm = static_cast<std::int32_t>(
        std::lround((card::SignalModel::NoiseFloorDb(tunedMHz) - kDbmToDbMicrovolt) * 1000));
    return r;
}

BusEvent Antenna::TuneEvent(int tuner, std::uint32_t frequencyKHz, std::uint64_t timeNs,
                            const Reception& reception) {
    BusEvent event{.timeNs = timeNs, .tuner = tuner, .kind = BusKind::Tune, .value = frequencyKHz};
    event.landed = reception.locked != nullptr;
    if (reception.locked) {
        event.note =
            std::to_string(reception.locked->frequencyMHz) +
            (reception.locked->polarisation == card::LinearPolarisation::Horizontal ? "H" : "V") +
            " " + reception.satellite->name;
    }
    return event;
}

}  // namespace testcard
