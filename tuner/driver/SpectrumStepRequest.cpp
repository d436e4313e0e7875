#include "tuner/driver/SpectrumStepRequest.h"

#include "tuner/driver/ByteOrder.h"

std::array<std::uint8_t, kSpectrumStepRequestSize> EncodeSpectrumStepRequest(
    const SpectrumStepRequest& request) {
    std::array<std::uint8_t, kSpectrumStepRequestSize> bytes{};
    PutUint32(&bytes[0], request.frequencyHz);
    PutUint32(&bytes[4], request.stepHz);
    PutUint32(&bytes[8], request.unused1);
    PutUint32(&bytes[12], request.unused2);
    PutUint32(&bytes[16], request.settle);
    return bytes;
}

SpectrumStepRequest DecodeSpectrumStepRequest(
    std::span<const std::uint8_t, kSpectrumStepRequestSize> bytes) {
    return {GetUint32(&bytes[0]), GetUint32(&bytes[4]), GetUint32(&bytes[8]), GetUint32(&bytes[12]),
            GetUint32(&bytes[16])};
}
