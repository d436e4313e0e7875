// Tuning a carrier chosen in the spectrum picture: the carrier finder's nearest carrier of the
// topmost sweep there, on the tuner that made the sweep, through the LNB setting it was made
// with, trying both delivery systems (and a narrow carrier's common rates near the estimate), by
// the same request as a channel of a list; then the tables of the stream that locked.
#include <QMetaObject>
#include <cmath>

#include "app/MainFrame.h"
#include "app/OrvalenApp.h"
#include "scan/SymbolRateLadder.h"
#include "spectrum/CarrierPick.h"

namespace {

// The request for `picked`: its centre on the satellite, to the nearest MHz (the estimate is
// no finer than the sweep's 2 MHz steps), and its symbol rate to the nearest ksymbol/s.
TuneParameters CarrierTune(const PickedCarrier& picked) {
    const auto inputKHz = std::llround(picked.carrier.centreMHz) * 1000;
    TuneParameters tune;
    tune.frequencyKHz = static_cast<std::uint32_t>(SatelliteKHz(inputKHz, picked.lnb));
    tune.symbolRate = static_cast<std::int32_t>(std::lround(picked.carrier.symbolRateMsps * 1000));
    tune.polarisation = picked.lnb.polarisation;
    tune.lnbSource = picked.lnb.lnbSource;
    return tune;
}

// A wide carrier's estimate is close enough to lock; a narrow one's may be off by its own width.
std::vector<std::int32_t> RatesFor(const TuneParameters& carrier) {
    if (carrier.symbolRate >= scan::kNarrowCarrierRate) return {carrier.symbolRate};
    return scan::RatesToTry(carrier.symbolRate);
}

}  // namespace

void COrvalenApp::TuneCarrierAt(QPoint picturePoint) {
    if (m_spectrum.PicturedSweeps() == 0) {
        ShowMessage(m_spectrum.PictureLoaded()
                        ? QStringLiteral("This picture was loaded from a file: no tuner is "
                                         "behind it to tune")
                        : QStringLiteral("No sweep in the picture: sweep a tuner first"));
        return;
    }
    const std::optional<PickedCarrier> picked = PickCarrier(m_spectrum, picturePoint);
    if (!picked) {
        ShowMessage(QStringLiteral("No carrier near %1 MHz: only the noise floor there")
                        .arg(std::lround(PictureColumnMHz(picturePoint.x()))));
        return;
    }
    const int tuner = picked->tuner;
    if (m_spectrum.Busy() && m_spectrum.Traces()[m_spectrum.CurrentSlot()].tuner == tuner) {
        ShowMessage(QStringLiteral("Tuner %1 is sweeping: wait for the sweep to end").arg(tuner));
        return;
    }
    TunerGraph* graph = Graph(tuner);
    if (!graph) {
        ShowMessage(QStringLiteral("Tuner %1 has no graph: create it first").arg(tuner));
        return;
    }
    const TuneParameters carrier = CarrierTune(*picked);
    std::vector<std::int32_t> rates = RatesFor(carrier);
    const TuneParameters first = CarrierTuneWatch::FirstTune(carrier, rates);
    if (RequestTune(*graph, tuner, first) != 0) {
        ShowMessage(CarrierTuneWatch::RefusedText(tuner, first));
        return;
    }
    ShowMessage(CarrierTuneWatch::TryingText(tuner, carrier, rates));
    ArmCarrierWatch(tuner, m_carrierWatch.Start(tuner, carrier, std::move(rates)));
}

void COrvalenApp::ArmCarrierWatch(int tuner, std::uint64_t attempt) {
    // Reports already queued belong to the tune before; those after this call are this one's.
    QMetaObject::invokeMethod(
        this, [this, tuner, attempt] { m_carrierWatch.Arm(tuner, attempt); }, Qt::QueuedConnection);
}

void COrvalenApp::FollowCarrierTune(int tuner, std::uint32_t quality, std::int32_t lockedSystem) {
    scan::TableReader* tables = m_tableReaders[static_cast<std::size_t>(tuner - 1)].get();
    FollowCarrierAttempt(tuner, quality, lockedSystem, tables);
    // The tables are read only while a carrier's attempt waits for them: the attempt may have
    // settled, or a later tune or sweep forgotten it, since the last report.
    if (tables && !m_carrierWatch.AwaitsTables(tuner)) tables->Pause();
}

void COrvalenApp::FollowCarrierAttempt(int tuner, std::uint32_t quality, std::int32_t lockedSystem,
                                       scan::TableReader* tables) {
    if (tables && m_carrierWatch.AwaitsTables(tuner)) {
        if (const auto line = m_carrierWatch.OnTables(tuner, tables->ReadNow())) ShowMessage(*line);
        return;
    }
    const CarrierTuneWatch::Step step = m_carrierWatch.OnReport(tuner, quality, lockedSystem);
    if (step.line) ShowMessage(*step.line);
    if (step.locked) {
        // Sections read before the lock may be the tune before's; a graph without a tap has none.
        if (tables)
            tables->Restart();
        else
            m_carrierWatch.Forget(tuner);
    }
    if (!step.retune) return;
    TunerGraph* graph = Graph(tuner);
    if (!graph || graph->RequestTune(*step.retune) != 0) {
        m_carrierWatch.Forget(tuner);
        ShowMessage(CarrierTuneWatch::RefusedText(tuner, *step.retune));
        return;
    }
    ArmCarrierWatch(tuner, step.attempt);
}

std::int32_t COrvalenApp::RequestTune(TunerGraph& graph, int tuner, const TuneParameters& tune) {
    m_meters.Reset(tuner - 1);
    m_carrierWatch.Forget(tuner);
    m_lnbSettings[static_cast<std::size_t>(tuner - 1)] = LnbSettingOf(tune);
    return graph.RequestTune(tune);
}

void COrvalenApp::ShowMessage(const QString& text) {
    if (m_mainFrame) m_mainFrame->ShowNotice(text);
}
