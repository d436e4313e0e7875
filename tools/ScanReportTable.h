// What orvalen-scan shows of a scan: the progress (a line that updates in place on a terminal,
// else one line per transponder) and the final table of transponders with the totals.
//
// Main thread of orvalen-scan; the progress callback runs there too.
#pragma once

#include <chrono>
#include <ostream>

#include "scan/Scanner.h"

namespace orvalen {

class ScanProgressLine {
public:
    ScanProgressLine(std::ostream& out, bool terminal) : m_out(out), m_terminal(terminal) {}
    void Show(const scan::ScanProgress& progress);
    // Ends the line in place, if one is shown.
    void Finish();

private:
    std::ostream& m_out;
    const bool m_terminal;
    bool m_shown = false;
};

// "11494 MHz H 22000": how a carrier is named in remarks and tables.
std::string CarrierText(const scan::KnownCarrier& carrier);

void PrintScanTable(std::ostream& out, const scan::ScanReport& report,
                    std::chrono::steady_clock::duration wall);

}  // namespace orvalen
