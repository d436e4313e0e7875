#include "app/SocketStartup.h"

bool InitSockets(SocketLibrary& library) {
    std::uint16_t granted = 0;
    if (library.Startup(kSocketVersion11, granted) != 0) return false;
    if (granted != kSocketVersion11) {
        library.Cleanup();
        return false;
    }
    return true;
}
