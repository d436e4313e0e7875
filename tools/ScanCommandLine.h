// orvalen-scan's command line: its own options, and the card options it shares with orvalen
// (--card, --dvb-frontends, ORVALEN_CARD), read by orvalen's own parser.
//
// Pure; main thread of orvalen-scan, or a test's.
#pragma once

#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "scan/Scanner.h"

namespace orvalen {

struct ScanCommandLine {
    CommandLine card;  // --card, --dvb-frontends, --help, --version and any error
    int tuner = 1;
    int source = 1;
    std::string outDir = ".";
    std::vector<scan::KnownCarrier> from;  // --from; empty: the blind scan
    bool tv = false, radio = false, free = false;
    std::string match;  // --match; empty: every name
    bool force = false;
};

// Not empty `error` (in card.error) means status 2.
// `cardVariable` and `skyVariable`: ORVALEN_CARD's and ORVALEN_SKY's values, or null.
ScanCommandLine ParseScanCommandLine(int argc, const char* const* argv, const char* cardVariable,
                                     const char* skyVariable = nullptr);

// One FREQ:POL:SR entry of --from (MHz, H or V, ksymbol/s), or false.
bool ParseKnownCarrier(const std::string& text, scan::KnownCarrier& carrier);

extern const char* const kScanUsage;

}  // namespace orvalen
