#include "cardkit/CaptureFilterShell.h"

#include "cardkit/CardIds.h"
#include "cardkit/LinkedPins.h"

namespace cardkit {

CaptureFilterShell::CaptureFilterShell(int tuner, std::unique_ptr<StreamSource> source)
    : m_source(std::move(source)) {
    const auto id = static_cast<std::uint32_t>(tuner);
    AddPin(std::make_shared<LinkInputPin>(*this, u"MPEG2 Transport In",
                                          KSPIN_MEDIUM{kTunerCaptureLink, id, 0}));
    m_output = std::make_shared<LinkOutputPin>(*this, u"MPEG2 Transport Out",
                                               KSPIN_MEDIUM{kCaptureCiLink, id, 0});
    AddPin(m_output);
}

CaptureFilterShell::~CaptureFilterShell() {
    OnStop();
}

void CaptureFilterShell::OnRun() {
    std::lock_guard lock(m_mutex);
    if (m_running) return;
    m_running = true;
    // The pin outlives the source's thread: Stop joins it before this filter goes.
    m_source->Start(
        [output = m_output.get()](const MediaBuffer& buffer) { return output->Deliver(buffer); });
}

void CaptureFilterShell::OnStop() {
    std::lock_guard lock(m_mutex);
    if (!m_running) return;
    m_running = false;
    m_source->Stop();
}

}  // namespace cardkit
