// Both ways a two-tuner card shows up under /dev/dvb, found as tuners 1 and 2 by the program's
// own discovery and driven through its own tuner graph.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "FakeKernel.h"
#include "linuxdvb/InstallDvbCard.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"
#include "tuner/TunerGraph.h"

namespace linuxdvb_test {
namespace {

// Which frontend each tune reached, in order.
class TuneLog {
public:
    FrontendModel Frontend(std::string name) {
        FrontendModel model;
        model.name = name;
        model.locks = [this, name](const Tuned&) {
            std::lock_guard lock(m_mutex);
            m_tuned.push_back(name);
            return true;
        };
        return model;
    }
    // Waits (bounded) for the n-th tune and returns the frontend it reached.
    std::string Wait(std::size_t n) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            {
                std::lock_guard lock(m_mutex);
                if (m_tuned.size() >= n) return m_tuned[n - 1];
            }
            if (std::chrono::steady_clock::now() > deadline) return "none";
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_tuned;
};

class Layout : public ::testing::Test {
protected:
    Layout() { RegisterStandInClasses(); }
    ~Layout() override {
        ClearDevices();
        ClearComponentClasses();
    }

    std::shared_ptr<linuxdvb::DvbCard> Install(std::vector<linuxdvb::FrontendId> order = {}) {
        linuxdvb::DvbCardOptions options;
        options.root = kernel->Root();
        options.io = kernel;
        options.frontendOrder = std::move(order);
        return linuxdvb::InstallDvbCard(options);
    }

    // Builds both tuners' graphs, tunes each once and returns the frontends the tunes reached.
    std::vector<std::string> TuneBoth() {
        std::vector<std::string> reached;
        for (int tuner : {1, 2}) {
            TunerGraph graph(tuner, 0);
            EXPECT_EQ(graph.m_ready, 1) << "tuner " << tuner;
            TuneParameters tune;
            tune.frequencyKHz = 11362000;
            tune.symbolRate = 22000;
            tune.polarisation = 2;
            tune.lnbSource = 1;
            EXPECT_EQ(graph.RequestTune(tune), 0);
            reached.push_back(log.Wait(static_cast<std::size_t>(tuner)));
        }
        return reached;
    }

    std::shared_ptr<FakeKernel> kernel = std::make_shared<FakeKernel>();
    TuneLog log;
};

TEST_F(Layout, OneAdapterWithTwoFrontends) {
    kernel->AddFrontend(0, 0, log.Frontend("first"));
    kernel->AddFrontend(0, 1, log.Frontend("second"));
    kernel->AddDemux(0, 0);
    kernel->AddDemux(0, 1);
    const auto card = Install();
    EXPECT_EQ(card->TunerCount(), 2);
    EXPECT_THAT(TuneBoth(), ::testing::ElementsAre("first", "second"));
}

TEST_F(Layout, TwoAdaptersWithOneFrontendEachInTheOrderAsked) {
    kernel->AddFrontend(0, 0, log.Frontend("first"));
    kernel->AddFrontend(1, 0, log.Frontend("second"));
    kernel->AddDemux(0, 0);
    kernel->AddDemux(1, 0);
    Install({{1, 0}, {0, 0}});
    EXPECT_THAT(TuneBoth(), ::testing::ElementsAre("second", "first"));
    // The display names carry the device path and the frontend's name.
    const auto tuners = DevicesInCategory(KSCATEGORY_BDA_NETWORK_TUNER);
    ASSERT_EQ(tuners.size(), 2u);
    const std::u16string name = tuners[0].displayName;
    EXPECT_NE(name.find(u"/adapter1/frontend0"), std::u16string::npos);
    EXPECT_NE(name.find(u"second"), std::u16string::npos);
}

TEST_F(Layout, NothingIsRegisteredWithoutAUsableFrontend) {
    FrontendModel busy;
    busy.openError = EBUSY;
    kernel->AddFrontend(0, 0, busy);
    const auto card = Install();
    EXPECT_EQ(card->TunerCount(), 0);
    EXPECT_EQ(card->Skipped().size(), 1u);
    EXPECT_TRUE(DevicesInCategory(KSCATEGORY_BDA_NETWORK_TUNER).empty());
    EXPECT_TRUE(DevicesInCategory(KSCATEGORY_BDA_RECEIVER_COMPONENT).empty());
}

}  // namespace
}  // namespace linuxdvb_test
