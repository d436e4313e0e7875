// What the tuner workers report: their thread messages, arriving as Qt events.
#include "app/OrvalenApp.h"

bool COrvalenApp::event(QEvent* event) {
    if (event->type() != ThreadMessageEvent::EventType()) return QObject::event(event);
    ThreadMessage& message = static_cast<ThreadMessageEvent*>(event)->message;
    switch (message.message) {
        case MSG_SIGNAL_STATUS:
            OnSignalStatus(message.wParam, message.payload.Take<SignalStatus>());
            break;
        case MSG_SPECTRUM_POINT:
            OnSpectrumPoint(message.payload.Take<SpectrumPoint>());
            break;
        default:
            break;  // the event frees whatever record it carries
    }
    return true;
}

void COrvalenApp::OnSignalStatus(std::uintptr_t wParam, std::unique_ptr<SignalStatus> status) {
    if (!status) return;
    const auto level = static_cast<std::uint32_t>(status->level);
    const auto quality = static_cast<std::uint32_t>(status->quality);
    const std::int32_t system = status->system;
    status.reset();
    if (wParam != 1 && wParam != 2) return;
    m_meters.Update(static_cast<int>(wParam) - 1, level, quality);
    InvalidateView();
    FollowCarrierTune(static_cast<int>(wParam), quality, system);
}

void COrvalenApp::OnSpectrumPoint(std::unique_ptr<SpectrumPoint> point) {
    m_spectrum.OnSpectrumPoint(std::move(point));
}
