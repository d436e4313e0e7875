// The conversions of orvalen-lists: another program's channel file into a channel list of this
// program's dialect, and a channel list into another program's format. Every remark goes to
// `err` as one line "orvalen-lists: FILE[:LINE]: ..."; the result on success goes to `out`.
//
// Main thread of orvalen-lists; the tests call it from theirs.
#pragma once

#include <ostream>
#include <string>

namespace orvalen {

enum class ExportFormat { Dvbv5, Vdr };

struct ConversionOptions {
    std::string output;            // empty: a name derived from the input, in the working directory
    bool force = false;            // replace an existing output file
    std::string source = "S0.0E";  // the VDR source written on export
    bool sourceGiven = false;
};

// Reads `input`, a dvbv5 channel file or a VDR channels.conf (told apart by its first line),
// and writes its DVB-S and DVB-S2 channels as a channel list. Returns the exit status: 0 written,
// 1 nothing written (unreadable input, no channel, output exists or cannot be written).
int ImportChannels(const std::string& input, const ConversionOptions& options, std::ostream& out,
                   std::ostream& err);

// Reads the channel list `list` as the program does and writes its channels in `format`.
// Returns the exit status as ImportChannels does.
int ExportChannels(ExportFormat format, const std::string& list, const ConversionOptions& options,
                   std::ostream& out, std::ostream& err);

// The output names used when none is given: the input's file name with its extension replaced
// (".csv" on import, "-dvbv5.conf" or "-vdr.conf" on export), in the working directory.
std::string ImportedListName(const std::string& input);
std::string ExportedFileName(const std::string& list, ExportFormat format);

}  // namespace orvalen
