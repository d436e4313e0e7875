// orvalen-cam: checks the module in a CA device's slot from a shell: whether it becomes ready,
// what it says about itself, and (--menu) its menu, walked with the user.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>

#include "SimulatedModule.h"
#include "Version.h"
#include "linuxdvb/CaDevice.h"
#include "tools/CamCheck.h"

int main(int argc, char** argv) {
    std::string error;
    bool help = false, version = false;
    const auto options = orvalen::ParseCamCheckLine(argc, argv, &error, &help, &version);
    if (!options) {
        std::fprintf(stderr, "orvalen-cam: %s\n%s", error.c_str(), orvalen::kCamCheckUsage);
        return 2;
    }
    if (help) {
        std::cout << orvalen::kCamCheckUsage;
        return 0;
    }
    if (version) {
        std::cout << "orvalen-cam " << orvalen::kVersion << "\n";
        return 0;
    }
    std::unique_ptr<linuxdvb::en50221::SimulatedModule> module;
    std::shared_ptr<linuxdvb::DvbIo> io = linuxdvb::SystemDvbIo();
    if (options->simulated) {
        const auto quirks = linuxdvb::en50221::ParseModuleQuirks(*options->simulated, &error);
        if (!quirks) {
            std::fprintf(stderr, "orvalen-cam: unknown quirk %s\n", error.c_str());
            return 2;
        }
        module = std::make_unique<linuxdvb::en50221::SimulatedModule>(
            linuxdvb::en50221::SimulatedModule::kDefaultName, *quirks);
        io = module->Io();
    }
    int openError = 0;
    auto link = linuxdvb::CaDevice::Open(io, options->device, &openError);
    if (!link) {
        std::fprintf(stderr, "orvalen-cam: %s: %s\n", options->device.c_str(),
                     openError == 0 ? "no link-layer CI slot" : std::strerror(-openError));
        return 1;
    }
    return orvalen::RunCamCheck(std::move(link), *options, std::cin, std::cout, std::cerr,
                                isatty(STDIN_FILENO) != 0);
}
