// The Linux backend as main() installs it, over a fake kernel with two frontends of one adapter
// whose CA device is the simulated module; for the suites that run the program's graphs,
// dialogs and application on it. Call from the test's thread.
#pragma once

#include <memory>

#include "FakeKernel.h"
#include "SimulatedModule.h"
#include "linuxdvb/DvbCard.h"

namespace linuxdvb_test {

std::shared_ptr<linuxdvb::DvbCard> InstallCardWithModule(
    const std::shared_ptr<FakeKernel>& kernel, linuxdvb::en50221::SimulatedModule& module);

// Whether the program reads the CAM's name through tuner 1's CI filter yet: a module needs a
// moment after start-up before the host stack knows its name.
bool ProgramSeesCamName();
// Whether the program reads the module in the slot as one still starting up.
bool ProgramSeesModuleStarting();

}  // namespace linuxdvb_test
