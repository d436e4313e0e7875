#include "linuxdvb/DvbCard.h"

namespace linuxdvb {

DvbCard::DvbCard(std::shared_ptr<DvbIo> io, ScanResult scan, double settleScale)
    : m_io(std::move(io)), m_scan(std::move(scan)) {
    for (const FoundFrontend& frontend : m_scan.frontends) {
        const int tuner = static_cast<int>(m_tuners.size()) + 1;
        m_tuners.push_back(std::make_shared<DvbTunerDriver>(m_io, frontend, settleScale));
        m_devices.push_back(std::make_shared<cardkit::TunerDevice>(
            tuner, cardkit::DefaultTunerTopology(tuner), m_tuners.back()));
        m_taps.push_back(std::make_shared<PacketTap>());
    }
}

DvbCard::~DvbCard() {
    for (const FoundFrontend& frontend : m_scan.frontends)
        if (frontend.fd >= 0) m_io->Close(frontend.fd);
}

const FoundFrontend& DvbCard::FrontendOf(int tuner) const {
    return m_scan.frontends.at(static_cast<std::size_t>(tuner - 1));
}

std::shared_ptr<DvbTunerDriver> DvbCard::Tuner(int tuner) const {
    return m_tuners.at(static_cast<std::size_t>(tuner - 1));
}

std::shared_ptr<cardkit::TunerDevice> DvbCard::Device(int tuner) const {
    return m_devices.at(static_cast<std::size_t>(tuner - 1));
}

std::shared_ptr<PacketTap> DvbCard::Tap(int tuner) const {
    return m_taps.at(static_cast<std::size_t>(tuner - 1));
}

std::unique_ptr<DvrReader> DvbCard::NewReader(int tuner) const {
    const FoundFrontend& frontend = FrontendOf(tuner);
    return std::make_unique<DvrReader>(m_io, frontend.demuxPath, frontend.dvrPath, Tap(tuner));
}

void DvbCard::SetNoticeObserver(const DvbTunerDriver::NoticeObserver& observer) {
    for (std::size_t i = 0; i < m_tuners.size(); ++i)
        m_tuners[i]->SetNoticeObserver([observer, tuner = i + 1](const std::string& text) {
            observer("Tuner " + std::to_string(tuner) + ": " + text);
        });
}

std::string SkipLine(const SkippedFrontend& skipped) {
    return skipped.path + ": " + skipped.reason;
}

}  // namespace linuxdvb
