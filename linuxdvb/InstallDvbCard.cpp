#include "linuxdvb/InstallDvbCard.h"

#include "cardkit/CardDevices.h"
#include "linuxdvb/InstallDvbCi.h"

namespace linuxdvb {
namespace {

// The kernel's names are 8-bit text; each byte becomes the character of that code.
std::u16string Wide(const std::string& text) {
    std::u16string wide;
    for (const char c : text) wide += static_cast<char16_t>(static_cast<unsigned char>(c));
    return wide;
}

// Tuners first, in tuner order, then their captures: the order a driver lists them in.
void RegisterTunersAndCaptures(const std::shared_ptr<DvbCard>& card) {
    for (int tuner = 1; tuner <= card->TunerCount(); ++tuner) {
        const FoundFrontend& frontend = card->FrontendOf(tuner);
        cardkit::RegisterTunerDevice(Wide(frontend.frontendPath + " " + frontend.name),
                                     card->Device(tuner));
    }
    for (int tuner = 1; tuner <= card->TunerCount(); ++tuner) {
        const FoundFrontend& frontend = card->FrontendOf(tuner);
        cardkit::RegisterCaptureDevice(
            Wide(frontend.dvrPath + " " + frontend.name + " TS Capture " + std::to_string(tuner)),
            tuner, [card, tuner] { return card->NewReader(tuner); });
    }
}

// Each tuner's descramblers follow its tunes, its graph's state and its stream.
void WatchServices(DvbCard& card, const std::vector<CiDevice>& ci) {
    for (int tuner = 1; tuner <= card.TunerCount(); ++tuner) {
        std::vector<std::shared_ptr<ServiceDescrambler>> descramblers;
        for (const CiDevice& device : ci)
            if (device.tuner == tuner) descramblers.push_back(device.descrambler);
        if (descramblers.empty()) continue;
        card.Tuner(tuner)->SetTuneObserver([descramblers](const cardkit::TuningSettings& s) {
            for (const auto& descrambler : descramblers) descrambler->Tune(s.sid);
        });
        card.Tuner(tuner)->SetStreamingObserver([descramblers](bool running) {
            for (const auto& descrambler : descramblers) {
                if (running)
                    descrambler->Start();
                else
                    descrambler->Stop();
            }
        });
        card.Tap(tuner)->Set([descramblers](std::span<const std::uint8_t> packets) {
            for (const auto& descrambler : descramblers) descrambler->OnPackets(packets);
        });
    }
}

}  // namespace

std::shared_ptr<DvbCard> InstallDvbCard(const DvbCardOptions& options) {
    const std::shared_ptr<DvbIo> io = options.io ? options.io : SystemDvbIo();
    auto card = std::make_shared<DvbCard>(
        io, ScanFrontends(*io, options.root, options.frontendOrder, options.use),
        options.settleScale);
    RegisterTunersAndCaptures(card);
    if (options.use == FrontendUse::Hold) WatchServices(*card, InstallDvbCi(io, card->Frontends()));
    return card;
}

}  // namespace linuxdvb
