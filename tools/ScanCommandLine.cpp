#include "tools/ScanCommandLine.h"

#include <algorithm>
#include <cstdlib>
#include <regex>

namespace orvalen {

const char* const kScanUsage =
    "usage: orvalen-scan [--tuner 1|2] [--source 1-4] [--card=auto|sim|dvb] [--sky=DIR] [--out "
    "DIR]\n"
    "                    [--from FREQ:POL:SR[,...]] [--tv] [--radio] [--free] [--match REGEX]\n"
    "                    [--force] [--help] [--version]\n"
    "Scans one LNB source of a tuner into a channel list and its SatelliteList.csv line.\n"
    "  --tuner N          the tuner, 1 (default) or 2\n"
    "  --source N         the LNB source (DiSEqC position), 1 (default) to 4\n"
    "  --card=CHOICE      auto (default), sim or dvb, as orvalen; also ORVALEN_CARD\n"
    "  --sky=DIR          the simulated card's satellites from plan files A-*.csv to D-*.csv\n"
    "                     in DIR (also ORVALEN_SKY)\n"
    "  --out DIR          where the files are written (default: the current folder)\n"
    "  --from LIST        no sweep: the network scan from known transponders, such as\n"
    "                     11494:H:22000,10773:V:22000 (MHz, H or V, ksymbol/s)\n"
    "  --tv, --radio      only television, only radio services (both: either)\n"
    "  --free             only services that need no CAM\n"
    "  --match REGEX      only services whose name matches (ECMAScript syntax)\n"
    "  --force            replace an existing channel list and the slot's line\n"
    "Exit status: 0 a list written, 1 nothing found or the card failed, 2 a wrong option.\n";

namespace {

// "--name=value" or "--name value"; false when `argument` is not this option.
bool TakeValue(const std::string& name, int argc, const char* const* argv, int& at,
               std::string& value, std::string& error) {
    const std::string argument = argv[at];
    if (argument.rfind(name + "=", 0) == 0) {
        value = argument.substr(name.size() + 1);
        return true;
    }
    if (argument != name) return false;
    if (at + 1 >= argc) {
        error = name + " needs a value (see --help)";
        return true;
    }
    value = argv[++at];
    return true;
}

bool SmallNumber(const std::string& text, int low, int high, int& number) {
    if (text.size() != 1 || text[0] < '0' + low || text[0] > '0' + high) return false;
    number = text[0] - '0';
    return true;
}

}  // namespace

bool ParseKnownCarrier(const std::string& text, scan::KnownCarrier& carrier) {
    static const std::regex kEntry(R"(^(\d{4,5})(?:\.(\d{1,3}))?:([HhVv]):(\d{3,5})$)");
    std::smatch m;
    if (!std::regex_match(text, m, kEntry)) return false;
    const unsigned long mhz = std::stoul(m[1]);
    std::string fraction = m[2].matched ? m[2].str() : "";
    fraction.resize(3, '0');
    const unsigned long rate = std::stoul(m[4]);
    if (mhz < 10700 || mhz > 12750 || rate < 1000 || rate > 45000) return false;
    carrier.frequencyKHz = static_cast<std::uint32_t>(mhz * 1000 + std::stoul(fraction));
    carrier.polarisation =
        (m[3] == "V" || m[3] == "v") ? scan::kPolarisationV : scan::kPolarisationH;
    carrier.symbolRate = static_cast<std::int32_t>(rate);
    return true;
}

ScanCommandLine ParseScanCommandLine(int argc, const char* const* argv, const char* cardVariable,
                                     const char* skyVariable) {
    ScanCommandLine line;
    std::vector<const char*> shared{argv[0]};  // what orvalen's own parser reads
    std::string error, value;
    for (int at = 1; at < argc && error.empty(); ++at) {
        const std::string argument = argv[at];
        if (TakeValue("--tuner", argc, argv, at, value, error)) {
            if (error.empty() && !SmallNumber(value, 1, 2, line.tuner))
                error = "--tuner " + value + ": use 1 or 2";
        } else if (TakeValue("--source", argc, argv, at, value, error)) {
            if (error.empty() && !SmallNumber(value, 1, 4, line.source))
                error = "--source " + value + ": use 1 to 4";
        } else if (TakeValue("--out", argc, argv, at, value, error)) {
            line.outDir = value;
        } else if (TakeValue("--match", argc, argv, at, value, error)) {
            line.match = value;
            try {
                std::regex check(value);
            } catch (const std::regex_error&) {
                error = "--match " + value + ": not a regular expression";
            }
        } else if (TakeValue("--from", argc, argv, at, value, error)) {
            // Every entry between commas must parse, an empty one too.
            for (std::size_t at = 0; error.empty() && at <= value.size();) {
                const std::size_t end = std::min(value.find(',', at), value.size());
                const std::string entry = value.substr(at, end - at);
                scan::KnownCarrier carrier;
                if (!ParseKnownCarrier(entry, carrier))
                    error = "--from " + value + ": '" + entry +
                            "' is not FREQ:POL:SR, such as 11494:H:22000";
                line.from.push_back(carrier);
                at = end + 1;
            }
        } else if (argument == "--tv") {
            line.tv = true;
        } else if (argument == "--radio") {
            line.radio = true;
        } else if (argument == "--free") {
            line.free = true;
        } else if (argument == "--force") {
            line.force = true;
        } else if (argument.rfind("--", 0) == 0 || argument == "-h") {
            shared.push_back(argv[at]);
            // A card option's value may be the next argument.
            if ((argument == "--card" || argument == "--dvb-frontends" || argument == "--sky") &&
                at + 1 < argc)
                shared.push_back(argv[++at]);
        } else {
            error = "unexpected argument " + argument + " (see --help)";
        }
    }
    line.card =
        ParseCommandLine(static_cast<int>(shared.size()), shared.data(), cardVariable, skyVariable);
    if (!error.empty()) line.card.error = error;
    return line;
}

}  // namespace orvalen
