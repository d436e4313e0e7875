// What orvalen-cam does once its command line is read: waits for the module in a CI slot,
// prints what it says about itself, and on request walks its menu with the user.
//
// Single-threaded use; the slot's own thread is started and joined inside.
#pragma once

#include <chrono>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "linuxdvb/en50221/CaLink.h"

namespace orvalen {

struct CamCheckOptions {
    std::string device = "/dev/dvb/adapter0/ca0";
    bool reset = false;
    bool menu = false;
    std::optional<std::string> simulated;  // the quirks, when the simulated module is used
    std::chrono::seconds wait{15};         // for the module to become ready
};

// Parses argv; none with `error` set (and exit status 2) when the line is wrong. `help` and
// `version` are set for those options.
std::optional<CamCheckOptions> ParseCamCheckLine(int argc, char** argv, std::string* error,
                                                 bool* help, bool* version);
extern const char* const kCamCheckUsage;

// 0 when the module became ready (and, with --menu, stayed until its dialogue ended), 1 when not
// (the reason on `err`).
int RunCamCheck(std::unique_ptr<linuxdvb::en50221::CaLink> link, const CamCheckOptions& options,
                std::istream& in, std::ostream& out, std::ostream& err, bool interactive);

// The text of one MMI string for a terminal: its character-table selector dropped, the control
// codes of DVB text left out, Latin-1 (the default table) turned into UTF-8.
std::string TerminalText(const std::string& text);

}  // namespace orvalen
