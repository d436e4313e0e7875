// Sends one request to the card's driver through a kernel-streaming control: builds the header,
// passes the data buffer as it is, and zeroes the bytes-returned count before the call.
#pragma once

#include <cstdint>
#include <span>

#include "platform/KsInterfaces.h"

// A property on a node of the filter's topology (32-byte KSP_NODE header).
HRESULT SendNodeProperty(IKsControl& control, std::int32_t node, const GUID& set, std::uint32_t id,
                         std::uint32_t flags, std::span<std::uint8_t> data,
                         std::uint32_t* bytesReturned);

// A property of the filter itself (24-byte KSPROPERTY header).
HRESULT SendFilterProperty(IKsControl& control, const GUID& set, std::uint32_t id,
                           std::uint32_t flags, std::span<std::uint8_t> data,
                           std::uint32_t* bytesReturned);

// A method (24-byte KSMETHOD header, KSMETHOD_TYPE_SEND); no data passes a null buffer.
HRESULT SendMethod(IKsControl& control, const GUID& set, std::uint32_t id,
                   std::span<std::uint8_t> data, std::uint32_t* bytesReturned);
