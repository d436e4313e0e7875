#include "scan/SymbolRateLadder.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace scan {
namespace {

// Symbol rates (ksymbol/s) that satellite operators use.
constexpr std::array<std::int32_t, 46> kCommonRates{
    1000,  1500,  2000,  2200,  2500,  2960,  3000,  3333,  3600,  4000,  4340,  5000,
    5180,  5632,  5920,  6000,  6111,  6666,  7200,  7500,  8000,  9000,  10000, 11000,
    12000, 13000, 14400, 15000, 17500, 20000, 22000, 23000, 24500, 25000, 26000, 27000,
    27500, 28000, 28800, 29700, 29900, 30000, 30400, 40000, 43200, 45000};
constexpr std::size_t kRatesTried = 4;

}  // namespace

std::vector<std::int32_t> RatesToTry(std::int32_t estimate) {
    std::vector<std::int32_t> near;
    const double reach = std::max(estimate * 0.25, 2500.0);
    for (const std::int32_t rate : kCommonRates)
        if (std::abs(rate - estimate) <= reach) near.push_back(rate);
    std::sort(near.begin(), near.end(), [estimate](std::int32_t a, std::int32_t b) {
        return std::abs(a - estimate) < std::abs(b - estimate);
    });
    if (near.empty() || near.front() != estimate)
        near.insert(near.begin() + (near.empty() ? 0 : 1), estimate);
    if (near.size() > kRatesTried) near.resize(kRatesTried);
    return near;
}

}  // namespace scan
