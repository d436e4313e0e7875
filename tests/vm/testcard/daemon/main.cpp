// orvalen-testcardd: plays the test card's hardware behind its kernel module (TestCardDaemon.h).
//
// usage: orvalen-testcardd [--device PATH] [--socket PATH] [--bus-log FILE] [--rate-scale X]
//                          [--cam-quirks QUIRKS]
// Runs until SIGTERM or SIGINT, or until the card's control device goes away.
#include <signal.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include "TestCardDaemon.h"

namespace {

bool ParseArguments(int argc, char** argv, testcard::DaemonOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (name == "--device")
            options.device = value;
        else if (name == "--socket")
            options.commandSocket = value;
        else if (name == "--bus-log")
            options.busLog = value;
        else if (name == "--rate-scale")
            options.rateScale = std::strtod(value.c_str(), nullptr);
        else if (name == "--cam-quirks") {
            std::string error;
            const auto quirks = linuxdvb::en50221::ParseModuleQuirks(value, &error);
            if (!quirks) {
                std::cerr << "orvalen-testcardd: unknown CAM quirk '" << error << "'\n";
                return false;
            }
            options.camQuirks = *quirks;
        } else
            return false;
    }
    return options.rateScale > 0 && options.rateScale <= 1;
}

}  // namespace

int main(int argc, char** argv) {
    testcard::DaemonOptions options;
    if (!ParseArguments(argc, argv, options)) {
        std::cerr << "usage: orvalen-testcardd [--device PATH] [--socket PATH] [--bus-log FILE] "
                     "[--rate-scale 0..1] [--cam-quirks QUIRKS, e.g. late=1500,count-ff]\n";
        return 2;
    }
    // The signals are taken by a thread of their own, which asks the loop to stop.
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGTERM);
    sigaddset(&stopping, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);

    testcard::TestCardDaemon daemon(options);
    if (!daemon.Problem().empty()) {
        std::cerr << "orvalen-testcardd: " << daemon.Problem() << "\n";
        return 1;
    }
    std::thread waiter([&] {
        int signal = 0;
        sigwait(&stopping, &signal);
        daemon.Stop();
    });
    const int status = daemon.Run();
    if (status != 0) {
        std::cerr << "orvalen-testcardd: the card's control device failed\n";
        // Wakes the waiter: the loop is over either way.
        pthread_kill(waiter.native_handle(), SIGTERM);
    }
    waiter.join();
    return status;
}
