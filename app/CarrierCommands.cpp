// Tuning a carrier chosen in the spectrum picture: the carrier finder's nearest carrier of the
// topmost sweep there, on the tuner that made the sweep, through the LNB setting it was made
// with, trying both delivery systems, by the same request as a channel of a list.
#include <QMetaObject>
#include <cmath>

#include "app/MainFrame.h"
#include "app/OrvalenApp.h"
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
    const TuneParameters tune = CarrierTune(*picked);
    if (RequestTune(*graph, tuner, tune) != 0) {
        ShowMessage(CarrierTuneWatch::RefusedText(tuner, tune));
        return;
    }
    const std::uint64_t attempt = m_carrierWatch.Start(tuner, tune);
    ShowMessage(CarrierTuneWatch::TryingText(tuner, tune));
    // Reports already queued belong to the tune before; those after this call are this one's.
    QMetaObject::invokeMethod(
        this, [this, tuner, attempt] { m_carrierWatch.Arm(tuner, attempt); }, Qt::QueuedConnection);
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
