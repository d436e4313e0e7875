#include "tools/DevicesListing.h"

#include "platform/ClassIds.h"
#include "platform/DeviceRegistry.h"
#include "platform/FilterGraphInterfaces.h"
#include "platform/KsInterfaces.h"

namespace orvalen {
namespace {

std::string Ascii(const std::u16string& text) {
    std::string ascii;
    for (const char16_t c : text) ascii += c < 0x80 ? static_cast<char>(c) : '?';
    return ascii;
}

// Each pin of a bound device: direction, name and mediums.
void WritePins(std::ostream& out, const std::shared_ptr<IUnknown>& device) {
    const auto filter = query<IBaseFilter>(device);
    std::shared_ptr<IEnumPins> pins;
    if (!filter || FAILED(filter->EnumPins(&pins)) || !pins) {
        out << "    (does not bind to a filter)\n";
        return;
    }
    std::shared_ptr<IPin> pin;
    std::uint32_t fetched = 0;
    while (pins->Next(1, &pin, &fetched) == S_OK && fetched == 1) {
        PIN_INFO info;
        if (FAILED(pin->QueryPinInfo(&info))) continue;
        out << "    " << (info.dir == PINDIR_INPUT ? "input" : "output") << " pin \""
            << Ascii(info.achName) << "\"";
        std::vector<KSPIN_MEDIUM> mediums;
        if (const auto ksPin = query<IKsPin>(pin); ksPin && SUCCEEDED(ksPin->KsQueryMediums(&mediums)))
            for (const KSPIN_MEDIUM& medium : mediums)
                out << "\n      medium " << medium.Set.ToString() << " Id " << medium.Id;
        out << "\n";
    }
}

void WriteCategory(std::ostream& out, const char* name, const GUID& category) {
    const auto devices = DevicesInCategory(category);
    out << name << " " << category.ToString() << ": " << devices.size() << " device"
        << (devices.size() == 1 ? "" : "s") << "\n";
    for (const DeviceEntry& device : devices) {
        out << "  " << Ascii(device.displayName) << "\n";
        WritePins(out, device.bind ? device.bind() : nullptr);
    }
}

}  // namespace

void WriteDevicesListing(std::ostream& out, const InstalledCard& installed) {
    out << installed.description << "\n\n";
    WriteCategory(out, "network tuners", KSCATEGORY_BDA_NETWORK_TUNER);
    WriteCategory(out, "receiver components", KSCATEGORY_BDA_RECEIVER_COMPONENT);
    if (!installed.dvb) return;
    out << "\nDVB frontends skipped: " << installed.dvb->Skipped().size() << "\n";
    for (const auto& skipped : installed.dvb->Skipped())
        out << "  " << linuxdvb::SkipLine(skipped) << "\n";
}

}  // namespace orvalen
