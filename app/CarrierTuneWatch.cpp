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

// "DVB-S and DVB-S2", and with several rates " at 2960, 2750, 2500 and 3000 ksym/s".
QString WhatIsTried(const TuneParameters& tune, const std::vector<std::int32_t>& rates) {
    QString text = SystemsTried(tune);
    if (rates.size() < 2) return text;
    text += QStringLiteral(" at ");
    for (std::size_t i = 0; i < rates.size(); ++i) {
        if (i > 0) text += i + 1 == rates.size() ? QStringLiteral(" and ") : QStringLiteral(", ");
        text += QString::number(rates[i]);
    }
    return text + QStringLiteral(" ksym/s");
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

QString CarrierTuneWatch::TryingText(int tuner, const TuneParameters& tune,
                                     const std::vector<std::int32_t>& rates) {
    return Carrier(tuner, tune) + QStringLiteral(": trying %1 ...").arg(WhatIsTried(tune, rates));
}

QString CarrierTuneWatch::LockedText(int tuner, const TuneParameters& tune,
                                     std::int32_t lockedSystem) {
    const QString text = Carrier(tuner, tune) + QStringLiteral(": locked");
    switch (lockedSystem) {
        case 1:
            return text + QStringLiteral(" (DVB-S)");
        case 2:
            return text + QStringLiteral(" (DVB-S2)");
        default:
            return text;
    }
}

QString CarrierTuneWatch::NothingLockedText(int tuner, const TuneParameters& tune,
                                            const std::vector<std::int32_t>& rates) {
    return Carrier(tuner, tune) +
           QStringLiteral(": nothing locked (tried %1)").arg(WhatIsTried(tune, rates));
}

QString CarrierTuneWatch::RefusedText(int tuner, const TuneParameters& tune) {
    return Carrier(tuner, tune) + QStringLiteral(": the tuner refused the request");
}

QString CarrierTuneWatch::TablesText(int tuner, const TuneParameters& tune, std::uint16_t tsid,
                                     const std::string& networkName) {
    QString text = Carrier(tuner, tune) + QStringLiteral(": transport stream %1").arg(tsid);
    if (networkName.empty()) return text;
    return text + QStringLiteral(", network \"%1\"").arg(QString::fromStdString(networkName));
}

QString CarrierTuneWatch::NoTablesText(int tuner, const TuneParameters& tune) {
    return Carrier(tuner, tune) + QStringLiteral(": no tables came");
}

TuneParameters CarrierTuneWatch::FirstTune(const TuneParameters& carrier,
                                           const std::vector<std::int32_t>& rates) {
    TuneParameters tune = carrier;
    if (!rates.empty()) tune.symbolRate = rates.front();
    return tune;
}

std::uint64_t CarrierTuneWatch::Start(int tuner, const TuneParameters& carrier,
                                      std::vector<std::int32_t> rates) {
    const TuneParameters first = FirstTune(carrier, rates);
    At(tuner) = Attempt{carrier, first, std::move(rates), 0, ++m_lastNumber};
    return m_lastNumber;
}

void CarrierTuneWatch::Arm(int tuner, std::uint64_t attempt) {
    auto& current = At(tuner);
    if (current && current->number == attempt) current->armed = true;
}

void CarrierTuneWatch::Forget(int tuner) {
    At(tuner).reset();
}

CarrierTuneWatch::Step CarrierTuneWatch::OnReport(int tuner, std::uint32_t quality,
                                                  std::int32_t lockedSystem) {
    auto& current = At(tuner);
    if (!current || !current->armed || current->locked) return {};
    if (quality > 0) {
        current->locked = true;
        current->reports = 0;
        return {LockedText(tuner, current->tune, lockedSystem), std::nullopt, 0, true};
    }
    if (++current->reports < kReportsBeforeGivingUp) return {};
    return NextRate(current, tuner);
}

// The next rate of the attempt, or, when none is left, that nothing locked.
CarrierTuneWatch::Step CarrierTuneWatch::NextRate(std::optional<Attempt>& current, int tuner) {
    if (current->rate + 1 >= current->rates.size()) {
        const QString line = NothingLockedText(tuner, current->carrier, current->rates);
        current.reset();
        return {line, std::nullopt, 0, false};
    }
    current->tune.symbolRate = current->rates[++current->rate];
    current->armed = false;
    current->reports = 0;
    current->number = ++m_lastNumber;
    return {std::nullopt, current->tune, current->number};
}

bool CarrierTuneWatch::AwaitsTables(int tuner) const {
    const auto& current = m_attempts[static_cast<std::size_t>(tuner - 1)];
    return current && current->locked;
}

std::optional<QString> CarrierTuneWatch::OnTables(int tuner, const scan::StreamTables& tables) {
    auto& current = At(tuner);
    if (!current || !current->locked) return std::nullopt;
    const bool whole = tables.pat && tables.nit;
    if (!whole && ++current->reports < kReportsForTables) return std::nullopt;
    const TuneParameters tune = current->tune;
    current.reset();
    if (!tables.pat) return NoTablesText(tuner, tune);
    return TablesText(tuner, tune, tables.pat->tsid, tables.nit ? tables.nit->networkName : "");
}
