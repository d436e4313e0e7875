#include "ModuleCard.h"

#include <array>

#include "linuxdvb/InstallDvbCard.h"
#include "tuner/TunerGraph.h"

namespace linuxdvb_test {

std::shared_ptr<linuxdvb::DvbCard> InstallCardWithModule(
    const std::shared_ptr<FakeKernel>& kernel, linuxdvb::en50221::SimulatedModule& module) {
    for (int tuner = 0; tuner < 2; ++tuner) {
        kernel->AddFrontend(0, tuner);
        kernel->AddDemux(0, tuner);
    }
    kernel->AddCaDevice(0, 0, module.Io());
    linuxdvb::DvbCardOptions options;
    options.root = kernel->Root();
    options.io = kernel;
    options.settleScale = 0;
    return linuxdvb::InstallDvbCard(options);
}

bool ProgramSeesCamName() {
    TunerGraph graph(1, 0);
    std::array<std::uint8_t, kCamNameSize> name{};
    return graph.m_ready && SUCCEEDED(graph.GetCamName(name));
}

}  // namespace linuxdvb_test
