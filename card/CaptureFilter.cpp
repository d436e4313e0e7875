#include "card/CaptureFilter.h"

#include "cardkit/CardIds.h"
#include "cardkit/LinkedPins.h"
#include "card/StreamPump.h"

namespace card {

using namespace cardkit;

CaptureFilter::CaptureFilter(std::shared_ptr<SimulatedCard> card, int tuner)
    : m_card(std::move(card)), m_tuner(tuner) {
    const auto id = static_cast<std::uint32_t>(tuner);
    AddPin(std::make_shared<LinkInputPin>(*this, u"MPEG2 Transport In",
                                          KSPIN_MEDIUM{kTunerCaptureLink, id, 0}));
    m_output = std::make_shared<LinkOutputPin>(*this, u"MPEG2 Transport Out",
                                               KSPIN_MEDIUM{kCaptureCiLink, id, 0});
    AddPin(m_output);
}

CaptureFilter::~CaptureFilter() { OnStop(); }

void CaptureFilter::OnRun() {
    std::lock_guard lock(m_pumpMutex);
    if (!m_pump) m_pump = std::make_unique<StreamPump>(m_card, m_tuner, m_output);
}

void CaptureFilter::OnStop() {
    std::unique_ptr<StreamPump> pump;
    {
        std::lock_guard lock(m_pumpMutex);
        pump = std::move(m_pump);
    }
    pump.reset();  // joins the thread
}

}  // namespace card
