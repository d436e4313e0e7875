#include "linuxdvb/InstallDvbCard.h"

#include "linuxdvb/InstallDvbCi.h"

namespace linuxdvb {
namespace {

// Each tuner's descramblers follow its tunes and its stream.
void WatchServices(DvbCard& card, const std::vector<CiDevice>& ci) {
    for (int tuner = 1; tuner <= card.TunerCount(); ++tuner) {
        std::vector<std::shared_ptr<ServiceDescrambler>> descramblers;
        for (const CiDevice& device : ci)
            if (device.tuner == tuner) descramblers.push_back(device.descrambler);
        if (descramblers.empty()) continue;
        card.Tuner(tuner)->SetTuneObserver([descramblers](const cardkit::TuningSettings& s) {
            for (const auto& descrambler : descramblers) descrambler->Tune(s.sid);
        });
        card.Tap(tuner)->Set([descramblers](std::span<const std::uint8_t> packets) {
            for (const auto& descrambler : descramblers) descrambler->OnPackets(packets);
        });
    }
}

}  // namespace

std::shared_ptr<DvbCard> InstallDvbCard(const DvbCardOptions& options) {
    const std::shared_ptr<DvbIo> io = options.io ? options.io : SystemDvbIo();
    auto card = std::make_shared<DvbCard>(io, ScanFrontends(*io, options.root, options.frontendOrder),
                                          options.settleScale);
    WatchServices(*card, InstallDvbCi(io, card->Frontends()));
    return card;
}

}  // namespace linuxdvb
