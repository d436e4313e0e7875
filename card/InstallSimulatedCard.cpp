#include "card/InstallSimulatedCard.h"

#include "card/FaultStage.h"
#include "card/Scrambler.h"
#include "card/SimulatedDrivers.h"
#include "card/StreamPump.h"
#include "cardkit/CardDevices.h"

namespace card {
namespace {

std::u16string Ascii(const std::string& text) {
    return {text.begin(), text.end()};
}

std::shared_ptr<cardkit::RequestStage> Faults(const std::shared_ptr<SimulatedCard>& card) {
    return std::make_shared<FaultStage>(std::shared_ptr<const FaultTable>(card, &card->Faults()));
}

// The CAM hands scrambled packets back in the clear when the slot's routing mode lets it serve
// this tuner; otherwise they pass unchanged.
cardkit::CiStreamHook Descrambler(const std::shared_ptr<SimulatedCard>& card, int tuner) {
    return [card, tuner](const MediaBuffer& buffer) -> MediaBuffer {
        if (!card->Descrambles(tuner) || !HasScrambledPackets(*buffer)) return buffer;
        auto clear = std::make_shared<std::vector<std::uint8_t>>(*buffer);
        DescramblePackets(*clear);
        return clear;
    };
}

}  // namespace

// The names follow the Linux devices a real card of this kind has, under "simulated/" rather
// than /dev/dvb, so that a listing of the simulated card is never taken for device files.
std::u16string DeviceDisplayName(const DeviceSpec& device) {
    const std::string n = std::to_string(device.tuner);
    const std::string index = std::to_string(device.tuner - 1);
    switch (device.kind) {
        case DeviceKind::Tuner:
            return Ascii("simulated/frontend" + index + " Orvalen DVB-S2 Tuner " + n);
        case DeviceKind::Capture:
            return Ascii("simulated/dvr" + index + " Orvalen TS Capture " + n);
        case DeviceKind::Ci:
            return cardkit::CiDisplayName(Ascii("simulated/ca0 Orvalen CI " + n), device.tuner);
    }
    return {};
}

std::shared_ptr<IUnknown> NewCiFilter(const std::shared_ptr<SimulatedCard>& card, int tuner) {
    return std::make_shared<cardkit::CiFilterShell>(std::make_shared<cardkit::CiDevice>(
        cardkit::CiDevice{tuner, std::make_shared<SimulatedCi>(card, tuner), Faults(card),
                          Descrambler(card, tuner)}));
}

std::shared_ptr<SimulatedCard> InstallSimulatedCard(CardConfig config) {
    auto card = std::make_shared<SimulatedCard>(std::move(config));
    const auto stage = Faults(card);
    // One device per tuner, whatever the configuration lists: the settings are the tuner's.
    std::array<std::shared_ptr<cardkit::TunerDevice>, 2> tuners;
    std::array<std::shared_ptr<const cardkit::CiDevice>, 2> cis;
    for (int tuner = 1; tuner <= 2; ++tuner) {
        const auto i = static_cast<std::size_t>(tuner - 1);
        tuners[i] = std::make_shared<cardkit::TunerDevice>(
            tuner, card->Config().tuners[i], std::make_shared<SimulatedTuner>(card, tuner), stage);
        cis[i] = std::make_shared<cardkit::CiDevice>(cardkit::CiDevice{
            tuner, std::make_shared<SimulatedCi>(card, tuner), stage, Descrambler(card, tuner)});
    }
    const auto publish = [&](const DeviceSpec& device) {
        const auto i = static_cast<std::size_t>(device.tuner - 1);
        switch (device.kind) {
            case DeviceKind::Tuner:
                cardkit::RegisterTunerDevice(DeviceDisplayName(device), tuners[i]);
                break;
            case DeviceKind::Capture:
                cardkit::RegisterCaptureDevice(DeviceDisplayName(device), device.tuner,
                                               [card, tuner = device.tuner] {
                                                   return std::make_unique<StreamPump>(card, tuner);
                                               });
                break;
            case DeviceKind::Ci:
                cardkit::RegisterCiDevice(DeviceDisplayName(device), cis[i]);
                break;
        }
    };
    // The configuration lists each category in its enumeration order.
    for (const auto& device : card->Config().tunerCategory) publish(device);
    for (const auto& device : card->Config().receiverCategory) publish(device);
    return card;
}

}  // namespace card
