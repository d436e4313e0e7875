// The CAM menu dialog's card for this suite: the Linux backend's CI devices over a fake kernel
// whose CA device is the simulated module, behind the simulated card's tuner and capture
// filters (which stand in for the backend's own until it registers them).
#include <gtest/gtest.h>

#include <algorithm>

#include "CardBackend.h"
#include "FakeKernel.h"
#include "SimulatedModule.h"
#include "card/InstallSimulatedCard.h"
#include "faults/BoundedWait.h"
#include "linuxdvb/InstallDvbCi.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"

namespace {

class LinuxCiBackend final : public CardBackend {
public:
    LinuxCiBackend() {
        ClearDevices();
        ClearComponentClasses();
        RegisterStandInClasses();
        card::CardConfig config = card::TestCardConfig();
        std::erase_if(config.receiverCategory, [](const card::DeviceSpec& device) {
            return device.kind == card::DeviceKind::Ci;
        });
        m_card = card::InstallSimulatedCard(config);

        for (int tuner = 0; tuner < 2; ++tuner) {
            m_kernel->AddFrontend(0, tuner);
            m_kernel->AddDemux(0, tuner);
        }
        m_kernel->AddCaDevice(0, 0, m_module.Io());
        auto scan = linuxdvb::ScanFrontends(*m_kernel, m_kernel->Root(), {});
        for (const auto& frontend : scan.frontends) m_kernel->Close(frontend.fd);
        m_ci = linuxdvb::InstallDvbCi(m_kernel, scan.frontends);
        EXPECT_EQ(m_ci.size(), 2u);
        // The program reads the CAM's name when it builds a graph; a module takes a moment.
        EXPECT_TRUE(WaitUntil([&] { return !m_ci.empty() && m_ci[0].slot->CamName(); }));
    }
    ~LinuxCiBackend() override {
        ClearDevices();
        ClearComponentClasses();
    }

    std::unique_ptr<TunerGraph> MakeReadyGraph(std::int32_t tuner) override {
        auto graph = std::make_unique<TunerGraph>(tuner, 0);
        EXPECT_TRUE(graph->m_ready) << "tuner " << tuner;
        return graph;
    }

private:
    linuxdvb::en50221::SimulatedModule m_module;
    std::shared_ptr<linuxdvb_test::FakeKernel> m_kernel =
        std::make_shared<linuxdvb_test::FakeKernel>();
    std::shared_ptr<card::SimulatedCard> m_card;
    std::vector<linuxdvb::CiDevice> m_ci;
};

}  // namespace

std::unique_ptr<CardBackend> MakeCardBackend() {
    return std::make_unique<LinuxCiBackend>();
}
