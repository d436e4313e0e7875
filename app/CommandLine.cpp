#include "app/CommandLine.h"

#include <optional>
#include <string_view>

namespace orvalen {
namespace {

std::optional<CardChoice> CardNamed(std::string_view name) {
    if (name == "auto") return CardChoice::Auto;
    if (name == "sim") return CardChoice::Simulated;
    if (name == "dvb") return CardChoice::Dvb;
    return std::nullopt;
}

// The value of "--name=value" (or "--name value", taking the next argument).
std::optional<std::string_view> ValueOf(std::string_view name, int argc, const char* const* argv,
                                        int& at) {
    const std::string_view argument = argv[at];
    if (argument.size() > name.size() && argument.starts_with(name) && argument[name.size()] == '=')
        return argument.substr(name.size() + 1);
    if (argument == name && at + 1 < argc) return std::string_view(argv[++at]);
    return std::nullopt;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv, const char* cardVariable,
                             const char* skyVariable) {
    CommandLine line;
    if (skyVariable) line.skyFolder = skyVariable;
    if (cardVariable && *cardVariable) {
        const auto card = CardNamed(cardVariable);
        if (!card)
            line.error = "ORVALEN_CARD=" + std::string(cardVariable) + ": use auto, sim or dvb";
        else
            line.card = *card;
    }
    for (int at = 1; at < argc && line.error.empty(); ++at) {
        const std::string_view argument = argv[at];
        if (argument == "--help" || argument == "-h") {
            line.help = true;
        } else if (argument == "--version") {
            line.version = true;
        } else if (const auto card = ValueOf("--card", argc, argv, at)) {
            const auto choice = CardNamed(*card);
            if (!choice)
                line.error = "--card=" + std::string(*card) + ": use auto, sim or dvb";
            else
                line.card = *choice;
        } else if (const auto folder = ValueOf("--sky", argc, argv, at)) {
            line.skyFolder = *folder;
            if (folder->empty()) line.error = "--sky needs a folder of plan files";
        } else if (const auto list = ValueOf("--dvb-frontends", argc, argv, at)) {
            const auto order = linuxdvb::ParseFrontendOrder(*list);
            if (!order)
                line.error = "--dvb-frontends=" + std::string(*list) +
                             ": expected adapterA/frontendF[,adapterA/frontendF...]";
            else
                line.frontendOrder = *order;
        } else if (argument.starts_with("--") || argument == "-") {
            line.error = "unknown option " + std::string(argument) + " (see --help)";
        }
        // Other single-dash arguments belong to Qt.
    }
    return line;
}

std::string Usage(const std::string& program, const std::string& purpose, bool readsLists) {
    std::string text =
        "usage: " + program + " [options]\n" + purpose + "\n\n" +
        "options:\n"
        "  --card=auto|sim|dvb   the card to drive (also ORVALEN_CARD): auto, the default,\n"
        "                        uses a DVB-S/S2 card under /dev/dvb when there is one and\n"
        "                        the simulated card otherwise\n"
        "  --dvb-frontends=LIST  frontends to use as tuners 1, 2, ... in this order, e.g.\n"
        "                        adapter1/frontend0,adapter0/frontend0\n"
        "  --sky=DIR             the simulated card's satellites from plan files A-*.csv to\n"
        "                        D-*.csv in DIR (also ORVALEN_SKY)\n"
        "  --help                this text\n"
        "  --version             the program's version\n";
    if (readsLists)
        text +=
            "\nIt reads SatelliteList.csv and the channel lists it names from the working "
            "directory.\nQt's own options (-platform, -style, ...) are passed on to Qt.\n";
    return text;
}

}  // namespace orvalen
