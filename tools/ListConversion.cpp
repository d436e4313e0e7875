#include "tools/ListConversion.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "channels/ChannelList.h"
#include "channels/ChannelListWriter.h"
#include "channels/Dvbv5ChannelFile.h"
#include "channels/Utf.h"
#include "channels/VdrChannelsConf.h"
#include "channels/WholeFile.h"

namespace orvalen {

namespace {

constexpr const char* kProgram = "orvalen-lists: ";

void Say(std::ostream& err, const std::string& file, const ConversionNotes& notes) {
    // A remark on a line of the file starts with its number.
    for (const std::string& line : notes.lines()) {
        const bool numbered = !line.empty() && line.front() >= '0' && line.front() <= '9';
        err << kProgram << file << (numbered ? ":" : ": ") << line << '\n';
    }
    if (notes.unkept() > 0) {
        err << kProgram << file << ": and " << notes.unkept() << " more remarks\n";
    }
}

// Hears of the lines the program's reader drops.
class DroppedLines final : public ListReadObserver {
public:
    explicit DroppedLines(ConversionNotes& notes) : notes_(notes) {}
    void TableUnread(std::string_view why) override { notes_.Add("no table: " + std::string(why)); }
    void LineDropped(const CsvLine& line, std::string_view why) override {
        std::u16string_view text = line.text;
        if (!text.empty() && text.back() == u'\n') text.remove_suffix(1);
        notes_.Add(std::to_string(line.number) + ": left out (" + std::string(why) +
                   "): " + ToUtf8(text));
    }

private:
    ConversionNotes& notes_;
};

std::optional<std::string> ReadInput(const std::string& path, std::ostream& err) {
    std::string error;
    std::optional<std::string> text = ReadWholeFile(path, error);
    if (!text) err << kProgram << "cannot read " << path << ": " << error << '\n';
    return text;
}

// Refuses at once, before any remark about the input, an output that exists.
bool OutputFree(const std::string& path, const ConversionOptions& options, std::ostream& err) {
    std::error_code error;
    if (options.force || !std::filesystem::exists(path, error)) return true;
    err << kProgram << path << ": exists (--force replaces it)\n";
    return false;
}

int WriteOutput(const std::string& path, std::string_view bytes, const ConversionOptions& options,
                std::ostream& err) {
    const std::string error = WriteWholeFile(path, bytes, options.force);
    if (error.empty()) return 0;
    err << kProgram << "cannot write " << path << ": " << error << '\n';
    return 1;
}

std::string Plural(std::size_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string Stem(const std::string& path) {
    return std::filesystem::path(path).stem().string();
}

}  // namespace

std::string ImportedListName(const std::string& input) {
    return Stem(input) + ".csv";
}

std::string ExportedFileName(const std::string& list, ExportFormat format) {
    return Stem(list) + (format == ExportFormat::Dvbv5 ? "-dvbv5.conf" : "-vdr.conf");
}

int ImportChannels(const std::string& input, const ConversionOptions& options, std::ostream& out,
                   std::ostream& err) {
    const std::string output = options.output.empty() ? ImportedListName(input) : options.output;
    if (!OutputFree(output, options, err)) return 1;
    const std::optional<std::string> text = ReadInput(input, err);
    if (!text) return 1;

    // An editor may have put a byte-order mark before the first line.
    std::string_view body = *text;
    if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
    const bool dvbv5 = IsDvbv5ChannelFile(body);
    ConversionNotes readNotes;
    const std::vector<ChannelRecord> channels =
        dvbv5 ? ReadDvbv5ChannelFile(body, readNotes) : ReadVdrChannelsConf(body, readNotes);
    Say(err, input, readNotes);
    if (channels.empty()) {
        err << kProgram << input << ": no DVB-S or DVB-S2 channel to write\n";
        return 1;
    }
    ConversionNotes writeNotes;
    const ChannelListText list = WriteChannelList(channels, writeNotes);
    Say(err, output, writeNotes);
    if (list.written == 0) {
        err << kProgram << input << ": no channel the program can read\n";
        return 1;
    }
    if (const int status = WriteOutput(output, list.bytes, options, err); status != 0) {
        return status;
    }
    out << output << ": " << Plural(static_cast<std::size_t>(list.written), "channel") << " from "
        << input << (dvbv5 ? " (dvbv5 channel file)" : " (VDR channels.conf)") << '\n';
    return 0;
}

int ExportChannels(ExportFormat format, const std::string& list, const ConversionOptions& options,
                   std::ostream& out, std::ostream& err) {
    const std::string output =
        options.output.empty() ? ExportedFileName(list, format) : options.output;
    if (!OutputFree(output, options, err)) return 1;
    const std::optional<std::string> text = ReadInput(list, err);
    if (!text) return 1;

    ConversionNotes readNotes;
    DroppedLines dropped(readNotes);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text->data()),
                                              text->size());
    const ChannelList read = LoadChannelListFromBytes(bytes, &dropped);
    Say(err, list, readNotes);
    if (read.count == 0) {
        err << kProgram << list << ": no channel the program reads\n";
        return 1;
    }
    std::vector<ChannelRecord> channels;
    for (int i = 0; i < read.count; ++i) channels.push_back(*read.records[i]);

    ConversionNotes writeNotes;
    if (format == ExportFormat::Vdr && !options.sourceGiven) {
        writeNotes.Add("source written as " + options.source +
                       "; --source gives the satellite's own, such as S19.2E");
    }
    const std::string bytesOut = format == ExportFormat::Dvbv5
                                     ? WriteDvbv5ChannelFile(channels, writeNotes)
                                     : WriteVdrChannelsConf(channels, options.source, writeNotes);
    Say(err, output, writeNotes);
    if (const int status = WriteOutput(output, bytesOut, options, err); status != 0) return status;
    out << output << ": " << Plural(channels.size(), "channel") << " from " << list
        << (format == ExportFormat::Dvbv5 ? " (dvbv5 channel file)" : " (VDR channels.conf)")
        << '\n';
    return 0;
}

}  // namespace orvalen
