// The real card as the backend found it: its satellite frontends in tuner order (tuner n is
// frontend n - 1), each with its tuner driver and its stream tap, and the frontends it could
// not use. Every filter object bound for a tuner shares these, as a driver keeps its state
// across the filter instances it hands out.
//
// Other parts of the backend build on it: the CAM stack finds each adapter's CA devices from
// Frontends() (adapterPath; tuner n's adapter) and reads the PMTs it must pass to the module
// through Tap(n), which shows every block of packets tuner n's dvr reader delivers.
//
// Thread-safe: everything it hands out is; the lists do not change after construction.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cardkit/TunerDevice.h"
#include "linuxdvb/DeviceScan.h"
#include "linuxdvb/DvbTunerDriver.h"
#include "linuxdvb/DvrReader.h"
#include "linuxdvb/PacketTap.h"

namespace linuxdvb {

class DvbCard {
public:
    // Takes over the frontends' descriptors and closes them when it goes. A scan that only
    // looked leaves none: its tuners are for listing, not for tuning.
    DvbCard(std::shared_ptr<DvbIo> io, ScanResult scan, double settleScale);
    ~DvbCard();
    DvbCard(const DvbCard&) = delete;
    DvbCard& operator=(const DvbCard&) = delete;

    const std::vector<FoundFrontend>& Frontends() const { return m_scan.frontends; }
    const std::vector<SkippedFrontend>& Skipped() const { return m_scan.skipped; }
    int TunerCount() const { return static_cast<int>(m_scan.frontends.size()); }

    // Tuner numbers 1..TunerCount().
    const FoundFrontend& FrontendOf(int tuner) const;
    std::shared_ptr<DvbTunerDriver> Tuner(int tuner) const;
    // The tuner as its filter shells see it (its driver, topology and tuning settings).
    std::shared_ptr<cardkit::TunerDevice> Device(int tuner) const;
    // What the tuner's dvr reader delivers, for observers (see PacketTap).
    std::shared_ptr<PacketTap> Tap(int tuner) const;
    // A new stream source for the tuner's capture filter.
    std::unique_ptr<DvrReader> NewReader(int tuner) const;
    const std::shared_ptr<DvbIo>& Io() const { return m_io; }
    // Where the tuners' notices go (DvbTunerDriver::SetNoticeObserver), each line starting
    // "Tuner n: ". Any thread.
    void SetNoticeObserver(const DvbTunerDriver::NoticeObserver& observer);

private:
    const std::shared_ptr<DvbIo> m_io;
    const ScanResult m_scan;
    std::vector<std::shared_ptr<DvbTunerDriver>> m_tuners;
    std::vector<std::shared_ptr<cardkit::TunerDevice>> m_devices;
    std::vector<std::shared_ptr<PacketTap>> m_taps;
};

// "<path>: <reason>" for a frontend the card does not use.
std::string SkipLine(const SkippedFrontend& skipped);

}  // namespace linuxdvb
