// Which frontends under the device folder become tuners, in which order, with which demux and
// dvr, and why the others do not.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakeKernel.h"
#include "linuxdvb/DeviceScan.h"

namespace linuxdvb_test {
namespace {

using linuxdvb::FrontendId;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class Scan : public ::testing::Test {
protected:
    ~Scan() override {
        for (const auto& frontend : result.frontends)
            if (frontend.fd >= 0) kernel->Close(frontend.fd);
    }
    void Run(const std::vector<FrontendId>& order = {}) {
        result = linuxdvb::ScanFrontends(*kernel, kernel->Root(), order);
    }
    std::vector<FrontendId> Found() const {
        std::vector<FrontendId> ids;
        for (const auto& frontend : result.frontends) ids.push_back(frontend.id);
        return ids;
    }

    std::shared_ptr<FakeKernel> kernel = std::make_shared<FakeKernel>();
    linuxdvb::ScanResult result;
};

TEST_F(Scan, SatelliteFrontendsInAdapterOrderOrInTheOrderAsked) {
    kernel->AddFrontend(10, 0);  // numeric order, not text order
    kernel->AddFrontend(2, 1);
    kernel->AddFrontend(2, 0);
    kernel->AddDemux(2, 0);
    kernel->AddDemux(2, 1);
    Run();
    EXPECT_THAT(Found(), ElementsAre(FrontendId{2, 0}, FrontendId{2, 1}, FrontendId{10, 0}));
    for (const auto& frontend : result.frontends) kernel->Close(frontend.fd);

    Run({{10, 0}, {2, 0}, {7, 0}});
    EXPECT_THAT(Found(), ElementsAre(FrontendId{10, 0}, FrontendId{2, 0}));
    ASSERT_EQ(result.skipped.size(), 2u);
    EXPECT_THAT(result.skipped[0].reason, HasSubstr("not present"));
    EXPECT_THAT(result.skipped[1].path, HasSubstr("adapter2/frontend1"));
}

TEST_F(Scan, BusyForbiddenAndTerrestrialFrontendsAreSkippedWithTheirReason) {
    FrontendModel busy, forbidden, terrestrial;
    busy.openError = EBUSY;
    forbidden.openError = EACCES;
    terrestrial.systems = {SYS_DVBT, SYS_DVBT2};
    kernel->AddFrontend(0, 0, busy);
    kernel->AddFrontend(0, 1, forbidden);
    kernel->AddFrontend(1, 0, terrestrial);
    kernel->AddFrontend(1, 1);
    Run();
    EXPECT_THAT(Found(), ElementsAre(FrontendId{1, 1}));
    ASSERT_EQ(result.skipped.size(), 3u);
    EXPECT_THAT(result.skipped[0].reason, HasSubstr("another program"));
    EXPECT_THAT(result.skipped[1].reason, HasSubstr("join the 'video' group"));
    EXPECT_THAT(result.skipped[2].reason, HasSubstr("neither DVB-S nor DVB-S2"));
    EXPECT_EQ(kernel->OpenCount(), 1);  // only the frontend in use stays open
}

TEST_F(Scan, EachFrontendGetsItsOwnDemuxAndFrontendsSharingOneAreOneTuner) {
    kernel->AddFrontend(0, 0);
    kernel->AddFrontend(0, 1);
    kernel->AddDemux(0, 0);
    kernel->AddDemux(0, 1);
    kernel->AddFrontend(1, 0);
    kernel->AddFrontend(1, 1);
    kernel->AddDemux(1, 0);
    Run();
    EXPECT_THAT(Found(), ElementsAre(FrontendId{0, 0}, FrontendId{0, 1}, FrontendId{1, 0}));
    EXPECT_THAT(result.frontends[1].dvrPath, HasSubstr("adapter0/dvr1"));
    EXPECT_THAT(result.frontends[2].demuxPath, HasSubstr("adapter1/demux0"));
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_THAT(result.skipped[0].path, HasSubstr("adapter1/frontend1"));
    EXPECT_THAT(result.skipped[0].reason,
                HasSubstr("one tuner with " + kernel->Root() + "/adapter1/frontend0"));
    EXPECT_EQ(result.frontends[0].name, "Fake DVB-S/S2 Frontend");
    EXPECT_EQ(result.frontends[0].maxKHz, 2150000u);
}

TEST_F(Scan, TheFrontendsOfAHybridTunerGiveOneTunerWithoutWaitingOnTheProgramsOwnHold) {
    // Like a satellite/terrestrial tuner: the kernel lets one of them be open at a time.
    FrontendModel satellite, terrestrial;
    satellite.oneTuner = terrestrial.oneTuner = 0;
    terrestrial.systems = {SYS_DVBT, SYS_DVBT2};
    kernel->AddFrontend(0, 0, satellite);
    kernel->AddFrontend(0, 1, terrestrial);
    kernel->AddDemux(0, 0);
    kernel->AddDemux(0, 1);
    Run();
    EXPECT_THAT(Found(), ElementsAre(FrontendId{0, 0}));
    EXPECT_EQ(kernel->Elapsed(), std::chrono::microseconds{0});
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_THAT(result.skipped[0].reason, HasSubstr("neither DVB-S nor DVB-S2"));
}

TEST_F(Scan, AFrontendThatCannotBeHeldWithItsNeighbourIsOneTunerNotAnotherProgramsHold) {
    FrontendModel oneTuner;
    oneTuner.oneTuner = 0;
    kernel->AddFrontend(0, 0, oneTuner);
    kernel->AddFrontend(0, 1, oneTuner);
    kernel->AddDemux(0, 0);
    kernel->AddDemux(0, 1);
    Run();
    EXPECT_THAT(Found(), ElementsAre(FrontendId{0, 0}));
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_THAT(result.skipped[0].reason,
                HasSubstr("one tuner with " + kernel->Root() + "/adapter0/frontend0"));
    EXPECT_THAT(result.skipped[0].reason, Not(HasSubstr("another program")));
}

TEST_F(Scan, ALookOpensNothingReadWrite) {
    kernel->AddFrontend(0, 0);
    FrontendModel held;
    held.openError = EBUSY;  // another program tunes it
    kernel->AddFrontend(1, 0, held);
    result = linuxdvb::ScanFrontends(*kernel, kernel->Root(), {}, linuxdvb::FrontendUse::Look);
    EXPECT_THAT(Found(), ElementsAre(FrontendId{0, 0}, FrontendId{1, 0}));
    EXPECT_EQ(result.frontends[0].fd, -1);
    EXPECT_EQ(kernel->OpenCount(), 0);
}

TEST(FrontendOrder, ReadsTheCommandLineFormAndRefusesAnythingElse) {
    EXPECT_THAT(*linuxdvb::ParseFrontendOrder("adapter1/frontend0,adapter0/frontend12"),
                ElementsAre(FrontendId{1, 0}, FrontendId{0, 12}));
    for (const char* bad :
         {"", "adapter1", "adapter1/frontend", "adapter1/frontend0,", "adapter-1/frontend0",
          "adapter1/frontend0,adapter1/frontend0", "adapter1/frontend0x", " adapter1/frontend0"})
        EXPECT_FALSE(linuxdvb::ParseFrontendOrder(bad)) << bad;
}

}  // namespace
}  // namespace linuxdvb_test
