#include "card/InstallSimulatedCard.h"

#include "card/CaptureFilter.h"
#include "cardkit/CardIds.h"
#include "card/CiFilter.h"
#include "card/TunerFilter.h"
#include "platform/ClassIds.h"
#include "platform/DeviceRegistry.h"

namespace card {

using namespace cardkit;
namespace {

std::u16string Ascii(const std::string& text) { return {text.begin(), text.end()}; }

std::function<std::shared_ptr<IUnknown>()> Factory(const std::shared_ptr<SimulatedCard>& card,
                                                   const DeviceSpec& device) {
    const int tuner = device.tuner;
    switch (device.kind) {
        case DeviceKind::Tuner:
            return [card, tuner] { return std::make_shared<TunerFilter>(card, tuner); };
        case DeviceKind::Capture:
            return [card, tuner] { return std::make_shared<CaptureFilter>(card, tuner); };
        case DeviceKind::Ci:
            return [card, tuner] { return std::make_shared<CiFilter>(card, tuner); };
    }
    return {};
}

}  // namespace

std::u16string DeviceDisplayName(const DeviceSpec& device) {
    const std::string n = std::to_string(device.tuner);
    const std::string index = std::to_string(device.tuner - 1);
    switch (device.kind) {
        case DeviceKind::Tuner:
            return Ascii("/dev/dvb/adapter0/frontend" + index + " Orvalen DVB-S2 Tuner " + n);
        case DeviceKind::Capture:
            return Ascii("/dev/dvb/adapter0/dvr" + index + " Orvalen TS Capture " + n);
        case DeviceKind::Ci:
            return Ascii("/dev/dvb/adapter0/ca0 Orvalen CI " + n + " ") +
                   kCiDeviceMarker[device.tuner - 1];
    }
    return {};
}

std::shared_ptr<SimulatedCard> InstallSimulatedCard(CardConfig config) {
    auto card = std::make_shared<SimulatedCard>(std::move(config));
    for (const auto& device : card->Config().tunerCategory)
        RegisterDevice(KSCATEGORY_BDA_NETWORK_TUNER,
                       {DeviceDisplayName(device), Factory(card, device)});
    for (const auto& device : card->Config().receiverCategory)
        RegisterDevice(KSCATEGORY_BDA_RECEIVER_COMPONENT,
                       {DeviceDisplayName(device), Factory(card, device)});
    return card;
}

}  // namespace card
