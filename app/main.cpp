// Orvalen: starts the user interface on the card that the driver seam offers, here the
// simulated card.
#include <QApplication>
#include <cstdlib>

#include "app/OrvalenApp.h"
#include "app/QtUserPrompts.h"
#include "app/SocketStartup.h"
#include "card/InstallSimulatedCard.h"
#include "platform/ClassIds.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    RegisterStandInClasses();
    // The card's driver registers its devices, as it would when it loads; the program then
    // finds its filters among the system's devices like any other driver's.
    const auto simulatedCard = card::InstallSimulatedCard();

    QtUserPrompts prompts;
    StandInSocketLibrary sockets;
    COrvalenApp app(prompts, sockets);
    int result = EXIT_FAILURE;
    if (app.InitInstance()) result = QApplication::exec();
    app.ExitInstance();
    return result;
}
