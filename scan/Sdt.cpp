#include "scan/Sdt.h"

#include "scan/DvbTextField.h"

namespace scan {
namespace {

constexpr std::uint8_t kServiceDescriptorTag = 0x48;
constexpr std::size_t kSdtFixedSize = 3;      // original_network_id, reserved
constexpr std::size_t kServiceFixedSize = 5;  // service_id, EIT flags, status and loop length

// The service descriptor's type, provider and name; false when its lengths overrun it.
bool ReadServiceDescriptor(ByteSpan body, SdtService& service) {
    std::size_t at = 0;
    if (body.empty()) return false;
    const std::uint8_t type = body[at++];
    const auto provider = TakeLengthPrefixed(body, at);
    const auto name = provider ? TakeLengthPrefixed(body, at) : std::nullopt;
    if (!name) return false;
    service.serviceType = type;
    service.provider = DecodeSiText(*provider);
    service.name = DecodeSiText(*name);
    return true;
}

void ReadServices(ByteSpan loop, Sdt& sdt) {
    while (loop.size() >= kServiceFixedSize) {
        SdtService service;
        service.sid = Read16(loop, 0);
        service.scrambled = (loop[3] & 0x10) != 0;
        const std::size_t descriptorsLength = Read12(loop, 3);
        if (kServiceFixedSize + descriptorsLength > loop.size()) return;
        ForEachDescriptor(loop.subspan(kServiceFixedSize, descriptorsLength),
                          [&service](std::uint8_t tag, ByteSpan body) {
                              if (tag == kServiceDescriptorTag && !service.serviceType)
                                  ReadServiceDescriptor(body, service);
                          });
        sdt.services.push_back(std::move(service));
        loop = loop.subspan(kServiceFixedSize + descriptorsLength);
    }
}

}  // namespace

std::optional<Sdt> ParseSdt(std::span<const Bytes> sections) {
    std::optional<Sdt> sdt;
    for (const Bytes& bytes : sections) {
        const auto section = CheckSection(bytes);
        if (!section || section->header.tableId != kSdtActualTableId ||
            section->body.size() < kSdtFixedSize)
            continue;
        if (!sdt) {
            sdt.emplace().tsid = section->header.idExtension;
            sdt->onid = Read16(section->body, 0);
        }
        ReadServices(section->body.subspan(kSdtFixedSize), *sdt);
    }
    return sdt;
}

}  // namespace scan
