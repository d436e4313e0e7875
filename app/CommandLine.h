// Orvalen's own command-line options, shared by orvalen, orvalen-devices and orvalen-scan: which
// card to drive (--card, or the ORVALEN_CARD environment variable), which DVB frontends in which
// order (--dvb-frontends), the simulated card's sky (--sky, or ORVALEN_SKY), --help and --version.
// Arguments with a single dash are Qt's (-platform, -style, ...) and are left to it. No Qt here:
// the tools parse the same way.
#pragma once

#include <string>
#include <vector>

#include "linuxdvb/FrontendId.h"

namespace orvalen {

enum class CardChoice { Auto, Simulated, Dvb };

struct CommandLine {
    CardChoice card = CardChoice::Auto;
    std::vector<linuxdvb::FrontendId> frontendOrder;  // empty: (adapter, frontend) order
    // The simulated card's satellites from this folder of plan files (--sky, or ORVALEN_SKY);
    // empty: its built-in sky.
    std::string skyFolder;
    bool help = false;
    bool version = false;
    // Not empty when the arguments cannot be used: one line for standard error (exit status 2).
    std::string error;
};

// `cardVariable` is ORVALEN_CARD's value or null, `skyVariable` ORVALEN_SKY's; --card and --sky
// win over them.
CommandLine ParseCommandLine(int argc, const char* const* argv, const char* cardVariable,
                             const char* skyVariable = nullptr);

// The --help text of `program`; `readsLists` adds the line about the list files orvalen reads.
std::string Usage(const std::string& program, const std::string& purpose, bool readsLists);

}  // namespace orvalen
