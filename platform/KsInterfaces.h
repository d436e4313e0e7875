// Kernel-streaming interfaces of a driver's filters and pins: raw property and method requests
// and the pin mediums by which a driver's filters are told apart.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Unknown.h"

// One medium of a pin: the set it belongs to, its Id word and flags.
struct KSPIN_MEDIUM {
    GUID Set;
    std::uint32_t Id = 0;
    std::uint32_t Flags = 0;
};

struct IKsPin : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{B61178D1-A2D9-11CF-9E53-00AA00A216A1}");
    virtual HRESULT KsQueryMediums(std::vector<KSPIN_MEDIUM>* mediums) = 0;
};

// Requests are raw bytes: a 24-byte KSPROPERTY/KSMETHOD header or a 32-byte KSP_NODE header,
// and a data buffer whose length is part of the request. `bytesReturned` reports how much of
// `data` the driver filled (for a GET) or consumed. May be called from any thread.
struct IKsControl : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{28F54685-06FD-11D2-B27A-00A0C9223196}");
    virtual HRESULT KsProperty(const void* property, std::uint32_t propertyLength, void* data,
                               std::uint32_t dataLength, std::uint32_t* bytesReturned) = 0;
    virtual HRESULT KsMethod(const void* method, std::uint32_t methodLength, void* data,
                             std::uint32_t dataLength, std::uint32_t* bytesReturned) = 0;
};

inline constexpr std::uint32_t KSPROPERTY_TYPE_GET = 1;
inline constexpr std::uint32_t KSPROPERTY_TYPE_SET = 2;
inline constexpr std::uint32_t KSMETHOD_TYPE_SEND = 1;
