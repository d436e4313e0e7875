// A whole spectrum sweep, stepped and read as the tuner graph does it, on a demodulator that
// searches in the kernel and makes every read wait for its search.
#include "TunerFixture.h"

namespace linuxdvb_test {
namespace {

using namespace std::chrono_literals;

// Search time-outs as such drivers set them: seconds at low symbol rates, a few hundred
// milliseconds above 20 Msym/s. No carrier anywhere, so every search runs to its time-out.
FrontendModel BlockingSearch() {
    FrontendModel model;
    model.locks = [](const Tuned&) { return false; };
    model.blockingSearch = [](std::uint32_t symbolRate) -> std::chrono::microseconds {
        if (symbolRate < 2000000) return 4500ms;
        if (symbolRate < 5000000) return 2500ms;
        if (symbolRate < 10000000) return 1200ms;
        if (symbolRate < 20000000) return 700ms;
        return 300ms;
    };
    return model;
}

class BlockingSearch : public TunerFixture {
protected:
    BlockingSearch() : TunerFixture(linuxdvb_test::BlockingSearch()) {}
};

TEST_F(BlockingSearch, A601StepSweepTakesMinutesNotMostOfAnHour) {
    std::uint32_t settle = 1000;
    for (std::uint32_t hz = 950000000; hz <= 2150000000u; hz += 2000000) {
        ASSERT_EQ(driver->MeasureSpectrumStep(hz, settle), S_OK);
        driver->SignalStrength();
        settle = 50;
    }
    EXPECT_LT(kernel->Elapsed(), 4min);
}

}  // namespace
}  // namespace linuxdvb_test
