// orvalen-lists: prints what Orvalen makes of "SatelliteList.csv" and its channel lists in the
// working directory. With --why, dropped lines and their reasons go to standard error. With
// --import or --export it converts between channel lists and other programs' channel files.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "Version.h"
#include "tools/ListConversion.h"
#include "tools/ListsListing.h"

namespace {

constexpr const char* kUsage =
    "usage: orvalen-lists [--why]\n"
    "       orvalen-lists --import FILE [--out LIST] [--force]\n"
    "       orvalen-lists --export dvbv5|vdr LIST [--out FILE] [--source S19.2E] [--force]\n"
    "Prints, slot by slot, what Orvalen reads from SatelliteList.csv and the channel lists it\n"
    "names, all in the working directory; or converts channel lists.\n"
    "\n"
    "  --why            also write each dropped line and the reason to standard error\n"
    "  --import FILE    write the DVB-S/S2 channels of a dvbv5 channel file or a VDR\n"
    "                   channels.conf as a channel list (default name: FILE's, as .csv)\n"
    "  --export FORMAT LIST\n"
    "                   write a channel list as a dvbv5 channel file or a VDR channels.conf\n"
    "                   (default name: LIST's, as -dvbv5.conf or -vdr.conf)\n"
    "  --out NAME       the file to write\n"
    "  --source SOURCE  the VDR source of the exported channels (default S0.0E)\n"
    "  --force          replace the file to write if it exists\n"
    "  --help           print this help and exit\n"
    "  --version        print the version and exit\n";

struct Arguments {
    bool why = false;
    std::optional<std::string> import;
    std::optional<orvalen::ExportFormat> format;
    std::string list;
    orvalen::ConversionOptions options;
};

int Wrong(const std::string& what) {
    std::fprintf(stderr, "orvalen-lists: %s (--help lists the options)\n", what.c_str());
    return 2;
}

// The value after argv[i], moving i past it; none when there is none.
std::optional<std::string> ValueAfter(int argc, char** argv, int& i) {
    if (i + 1 >= argc) return std::nullopt;
    return std::string(argv[++i]);
}

// Refuses options that do not go together; 0 when they do.
int Combination(const Arguments& args, bool outGiven) {
    const bool converting = args.import || args.format;
    if (args.import && args.format) return Wrong("--import and --export go one at a time");
    if (converting && args.why) return Wrong("--why goes with the listing only");
    if (!converting && (outGiven || args.options.force || args.options.sourceGiven)) {
        return Wrong("--out, --force and --source go with --import or --export");
    }
    if (args.options.sourceGiven && args.format != orvalen::ExportFormat::Vdr) {
        return Wrong("--source goes with --export vdr only");
    }
    return 0;
}

// Fills `args`; returns 0 to go on, -1 after --help or --version, else the exit status.
int Parse(int argc, char** argv, Arguments& args) {
    bool outGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            std::fputs(kUsage, stdout);
            return -1;
        }
        if (option == "--version") {
            std::printf("orvalen-lists %s\n", orvalen::kVersion);
            return -1;
        }
        if (option == "--why") {
            args.why = true;
            continue;
        }
        if (option == "--force") {
            args.options.force = true;
            continue;
        }
        if (option != "--import" && option != "--export" && option != "--out" &&
            option != "--source") {
            return Wrong("unknown option '" + option + "'");
        }
        std::optional<std::string> value = ValueAfter(argc, argv, i);
        if (!value || value->empty()) return Wrong(option + " needs a value");
        if (option == "--import") {
            args.import = *value;
        } else if (option == "--out") {
            args.options.output = *value;
            outGiven = true;
        } else if (option == "--source") {
            if ((*value)[0] != 'S' || value->find(':') != std::string::npos) {
                return Wrong("--source '" + *value + "' is no satellite source such as S19.2E");
            }
            args.options.source = *value;
            args.options.sourceGiven = true;
        } else {
            if (*value != "dvbv5" && *value != "vdr") {
                return Wrong("--export '" + *value + "': the formats are dvbv5 and vdr");
            }
            args.format =
                *value == "dvbv5" ? orvalen::ExportFormat::Dvbv5 : orvalen::ExportFormat::Vdr;
            const std::optional<std::string> list = ValueAfter(argc, argv, i);
            if (!list || list->empty()) return Wrong("--export needs a format and a list");
            args.list = *list;
        }
    }
    return Combination(args, outGiven);
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (const int status = Parse(argc, argv, args); status != 0) return status < 0 ? 0 : status;
    std::ios::sync_with_stdio(false);
    int status = 0;
    if (args.import) {
        status = orvalen::ImportChannels(*args.import, args.options, std::cout, std::cerr);
    } else if (args.format) {
        status =
            orvalen::ExportChannels(*args.format, args.list, args.options, std::cout, std::cerr);
    } else {
        orvalen::WriteListsListing(std::cout, args.why ? &std::cerr : nullptr);
    }
    std::cout.flush();
    return status;
}
