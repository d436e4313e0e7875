#include "app/CarrierTuneWatch.h"

namespace {

QString PolarisationLetter(std::int32_t polarisation) {
    switch (polarisation) {
        case 1:
            return QStringLiteral("H");
        case 2:
            return QStringLiteral("V");
        case 3:
            return QStringLiteral("L");
        case 4:
            return QStringLiteral("R");
        default:
            return QStringLiteral("?");
    }
}

QString SystemsTried(const TuneParameters& tune) {
    switch (tune.system) {
        case 1:
            return QStringLiteral("DVB-S");
        case 2:
            return QStringLiteral("DVB-S2");
        default:
            return QStringLiteral("DVB-S and DVB-S2");
    }
}

// "Tuner 1: 11362 MHz H, 22000 ksym/s"
QString Carrier(int tuner, const TuneParameters& tune) {
    return QStringLiteral("Tuner %1: %2 MHz %3, %4 ksym/s")
        .arg(tuner)
        .arg(tune.frequencyKHz / 1000.0, 0, 'f', tune.frequencyKHz % 1000 ? 3 : 0)
        .arg(PolarisationLetter(tune.polarisation))
        .arg(tune.symbolRate);
}

}  // namespace

QString CarrierTuneWatch::TryingText(int tuner, const TuneParameters& tune) {
    return Carrier(tuner, tune) + QStringLiteral(": trying %1 ...").arg(SystemsTried(tune));
}

QString CarrierTuneWatch::LockedText(int tuner, const TuneParameters& tune) {
    return Carrier(tuner, tune) + QStringLiteral(": locked");
}

QString CarrierTuneWatch::NothingLockedText(int tuner, const TuneParameters& tune) {
    return Carrier(tuner, tune) +
           QStringLiteral(": nothing locked (tried %1)").arg(SystemsTried(tune));
}

QString CarrierTuneWatch::RefusedText(int tuner, const TuneParameters& tune) {
    return Carrier(tuner, tune) + QStringLiteral(": the tuner refused the request");
}

std::uint64_t CarrierTuneWatch::Start(int tuner, const TuneParameters& tune) {
    m_attempts[static_cast<std::size_t>(tuner - 1)] = Attempt{tune, ++m_lastNumber};
    return m_lastNumber;
}

void CarrierTuneWatch::Arm(int tuner, std::uint64_t attempt) {
    auto& current = m_attempts[static_cast<std::size_t>(tuner - 1)];
    if (current && current->number == attempt) current->armed = true;
}

void CarrierTuneWatch::Forget(int tuner) {
    m_attempts[static_cast<std::size_t>(tuner - 1)].reset();
}

std::optional<QString> CarrierTuneWatch::OnReport(int tuner, std::uint32_t quality) {
    auto& current = m_attempts[static_cast<std::size_t>(tuner - 1)];
    if (!current || !current->armed) return std::nullopt;
    const TuneParameters tune = current->tune;
    if (quality > 0) {
        current.reset();
        return LockedText(tuner, tune);
    }
    if (++current->reportsWithoutLock < kReportsBeforeGivingUp) return std::nullopt;
    current.reset();
    return NothingLockedText(tuner, tune);
}
