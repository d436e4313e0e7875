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

namespace {

HRESULT ProgramReadsCamName() {
    TunerGraph graph(1, 0);
    std::array<std::uint8_t, kCamNameSize> name{};
    return graph.m_ready ? graph.GetCamName(name) : E_FAIL;
}

}  // namespace

bool ProgramSeesCamName() {
    return SUCCEEDED(ProgramReadsCamName());
}

bool ProgramSeesModuleStarting() {
    return ProgramReadsCamName() == HRESULT_ERROR_BUSY;
}

}  // namespace linuxdvb_test
