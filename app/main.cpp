// Orvalen: starts the user interface on the card that the command line chooses (a real
// DVB-S/S2 card through the Linux DVB API, or the simulated card).
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "Version.h"
#include "app/BackendNotices.h"
#include "app/CommandLine.h"
#include "app/InstallCard.h"
#include "app/MainFrame.h"
#include "app/OrvalenApp.h"
#include "app/QtUserPrompts.h"
#include "app/SocketStartup.h"
#include "linuxdvb/DvbCard.h"
#include "platform/ClassIds.h"

int main(int argc, char* argv[]) {
    const orvalen::CommandLine line = orvalen::ParseCommandLine(
        argc, argv, std::getenv("ORVALEN_CARD"), std::getenv("ORVALEN_SKY"));
    if (!line.error.empty()) {
        std::fprintf(stderr, "orvalen: %s\n", line.error.c_str());
        return 2;
    }
    if (line.help) {
        std::fputs(
            orvalen::Usage("orvalen", "Tests and watches a two-tuner DVB-S/S2 card with a CI slot.",
                           true)
                .c_str(),
            stdout);
        return EXIT_SUCCESS;
    }
    if (line.version) {
        std::printf("orvalen %s\n", orvalen::kVersion);
        return EXIT_SUCCESS;
    }

    QApplication application(argc, argv);
    RegisterStandInClasses();
    // The card's driver registers its devices, as it would when it loads; the program then
    // finds its filters among the system's devices like any other driver's.
    const orvalen::InstalledCard installed = orvalen::InstallCard(line);
    if (!installed.error.empty()) {
        std::fprintf(stderr, "orvalen: %s\n", installed.error.c_str());
        return EXIT_FAILURE;
    }
    if (installed.dvb)
        for (const auto& skipped : installed.dvb->Skipped())
            std::fprintf(stderr, "orvalen: %s\n", linuxdvb::SkipLine(skipped).c_str());
    std::fprintf(stderr, "orvalen: %s\n", installed.description.c_str());

    QtUserPrompts prompts;
    StandInSocketLibrary sockets;
    COrvalenApp app(prompts, sockets);
    int result = EXIT_FAILURE;
    if (app.InitInstance()) {
        if (installed.dvb && app.m_mainFrame)
            installed.dvb->SetNoticeObserver(NoticesToMessagePane(*app.m_mainFrame));
        result = QApplication::exec();
    }
    app.ExitInstance();
    return result;
}
