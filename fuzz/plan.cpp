// Arbitrary text as a satellite's transponder plan: whatever it holds, the reader either refuses
// it with a reason or gives a satellite whose position and transponders keep within the ranges a
// plan allows.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "card/SatellitePlan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const auto satellite =
        card::ReadSatellitePlan(std::string_view(reinterpret_cast<const char*>(data), size), error);
    if (!satellite && error.empty()) __builtin_trap();
    if (satellite) {
        if (satellite->orbitalTenths < -1800 || satellite->orbitalTenths > 1800) __builtin_trap();
        for (const card::Transponder& t : satellite->transponders) {
            if (t.symbolRate < 1000 || t.symbolRate > 45000 || t.codeRateDenominator == 0 ||
                t.codeRateNumerator >= t.codeRateDenominator)
                __builtin_trap();
        }
    }
    return 0;
}
