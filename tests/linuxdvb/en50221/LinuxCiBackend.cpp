// The CAM menu dialog's card for this suite: the Linux backend as main() installs it, over a
// fake kernel with two frontends whose CA device is the simulated module.
#include <gtest/gtest.h>

#include "CardBackend.h"
#include "ModuleCard.h"
#include "faults/BoundedWait.h"
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
        m_card = linuxdvb_test::InstallCardWithModule(m_kernel, m_module);
        // The program reads the CAM's name when it builds a graph; a module takes a moment.
        EXPECT_TRUE(WaitUntil(linuxdvb_test::ProgramSeesCamName));
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
    std::shared_ptr<linuxdvb::DvbCard> m_card;
};

}  // namespace

std::unique_ptr<CardBackend> MakeCardBackend() {
    return std::make_unique<LinuxCiBackend>();
}
