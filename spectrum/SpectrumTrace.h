// One slot of the spectrum store: the points of one sweep and the tuner that made it.
#pragma once

#include <cstdint>
#include <memory>

#include "spectrum/LnbSetting.h"
#include "tuner/WorkerMessages.h"

inline constexpr std::int32_t kTracePointCapacity = 700;  // a sweep has 601 points

struct SpectrumTrace {
    // kTracePointCapacity points, allocated the first time the slot is filled and reused by every
    // later sweep in it; empty until then and after a Clear.
    std::unique_ptr<SpectrumPoint[]> points;
    std::int32_t count = 0;  // valid points, 0 to kTracePointCapacity
    std::int32_t tuner = 0;  // 1 or 2; 0 while unused since start or the last Clear
    LnbSetting lnb;          // what the tuner's LNB delivered during the sweep
};
