#include "channels/ChannelListWriter.h"

#include <string_view>
#include <vector>

#include "channels/ChannelList.h"
#include "channels/CsvTable.h"
#include "channels/Utf.h"

namespace orvalen {

namespace {

// The units a line may take before its line feed: the reader's buffer less the feed and the
// terminator.
constexpr std::size_t kMaxLineText = kCsvLineUnits - 2;

bool IsHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

bool NeedsQuotes(std::u16string_view text) {
    return text.find(u',') != std::u16string_view::npos || (!text.empty() && text[0] == u'"');
}

// `text` as a field can hold it; each kind of change made is added to `changes`.
std::u16string Holdable(std::u16string_view text, std::vector<std::string>& changes) {
    std::u16string out(text);
    bool lineBreak = false;
    bool broken = false;
    for (std::size_t i = 0; i < out.size(); ++i) {
        char16_t& u = out[i];
        if (u == u'\n' || u == u'\r' || u == 0) {
            u = u' ';
            lineBreak = true;
        } else if (IsHighSurrogate(u) && i + 1 < out.size() && IsLowSurrogate(out[i + 1])) {
            ++i;
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            u = 0xFFFD;
            broken = true;
        }
    }
    if (lineBreak) changes.emplace_back("a line break became a blank");
    if (broken) changes.emplace_back("a broken character became U+FFFD");
    if (NeedsQuotes(out) && out.find(u'"') != std::u16string::npos) {
        for (char16_t& u : out) {
            if (u == u'"') u = u'\'';
        }
        changes.emplace_back("its double quotes became apostrophes, as it needs quotes");
    }
    return out;
}

std::u16string Field(std::u16string_view text) {
    if (!NeedsQuotes(text)) return std::u16string(text);
    std::u16string quoted;
    quoted.reserve(text.size() + 2);
    quoted.append(u"\"").append(text).append(u"\"");
    return quoted;
}

// An empty comment is written as a pair of quotes: a line that ends at a comma gives no last
// field at all, which reads as no comment.
std::u16string CommentField(std::u16string_view text) {
    return text.empty() ? std::u16string(u"\"\"") : Field(text);
}

// Shortens `text` until its field takes at most `units`, never between the halves of a pair.
void Shorten(std::u16string& text, std::size_t units) {
    while (!text.empty() && Field(text).size() > units) {
        const bool pair = text.size() >= 2 && IsLowSurrogate(text.back()) &&
                          IsHighSurrogate(text[text.size() - 2]);
        text.resize(text.size() - (pair ? 2 : 1));
    }
}

std::u16string Ascii(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

// FREQ as the reader takes it back: MHz when whole, else kHz from 2.5 GHz up. Below that a
// frequency that is not whole MHz cannot be written and is rounded to MHz.
std::string FrequencyField(std::uint32_t khz, bool& rounded) {
    rounded = false;
    if (khz % 1000 == 0 && khz / 1000 < kFrequencyKHzThreshold) return std::to_string(khz / 1000);
    if (khz >= kFrequencyKHzThreshold) return std::to_string(khz);
    rounded = true;
    const std::uint32_t mhz = (khz + 500) / 1000;
    return std::to_string(mhz == 0 ? 1 : mhz);
}

char PolarisationLetter(std::int32_t polarisation) {
    switch (polarisation) {
        case kPolarisationHorizontal:
            return 'H';
        case kPolarisationVertical:
            return 'V';
        case kPolarisationCircularLeft:
            return 'L';
        case kPolarisationCircularRight:
            return 'R';
        default:
            return 0;
    }
}

// Why the reader would drop `channel`, or empty.
std::string WhyUnreadable(const ChannelRecord& channel) {
    if (!channel.name) return "no name";
    if (channel.frequencyKHz == 0) return "no frequency";
    if (channel.symbolRate == 0) return "no symbol rate";
    if (PolarisationLetter(channel.polarisation) == 0) return "no polarisation";
    if (!IsInputStreamIdOrNone(channel.inputStreamId)) return "input stream id out of 0-255";
    if (!IsPlsCodeOrNone(channel.plsCode)) return "scrambling code out of 0-262143";
    return {};
}

std::string Describe(std::size_t index, const ChannelRecord& channel) {
    return "channel " + std::to_string(index + 1) + " \"" + ToUtf8(channel.name.value_or(u"")) +
           "\"";
}

// Which optional columns the file has.
struct Columns {
    bool sys = false;
    bool isi = false;
    bool pls = false;
};

Columns ColumnsFor(const std::vector<const ChannelRecord*>& channels) {
    Columns columns;
    for (const ChannelRecord* channel : channels) {
        columns.sys |= channel->system == kSystemDvbs || channel->system == kSystemDvbs2;
        columns.isi |= channel->inputStreamId >= 0;
        columns.pls |= channel->plsCode >= 0;
    }
    return columns;
}

std::string Header(const Columns& columns) {
    std::string header = "NAME,FREQ,POL,SR,ONID,TSID,SID";
    if (columns.sys) header += ",SYS";
    if (columns.isi) header += ",ISI";
    if (columns.pls) header += ",PLS";
    return header + ",Comment\n";
}

std::string OptionalNumber(std::int32_t value) {
    return value < 0 ? std::string() : std::to_string(value);
}

// The fields from FREQ up to the last optional column, each after a comma.
std::u16string TuningFields(std::size_t index, const ChannelRecord& channel, const Columns& columns,
                            ConversionNotes& notes) {
    bool rounded = false;
    std::string fields = "," + FrequencyField(channel.frequencyKHz, rounded);
    if (rounded) {
        notes.Add(Describe(index, channel) + ": " + std::to_string(channel.frequencyKHz) +
                  " kHz is below 2500000 kHz and not whole MHz: rounded to MHz");
    }
    fields += std::string(",") + PolarisationLetter(channel.polarisation);
    for (std::int32_t value : {channel.symbolRate, channel.onid, channel.tsid, channel.sid}) {
        fields += "," + std::to_string(value);
    }
    if (columns.sys) {
        fields += channel.system == kSystemDvbs    ? ",DVB-S"
                  : channel.system == kSystemDvbs2 ? ",DVB-S2"
                                                   : ",";
    }
    if (columns.isi) fields += "," + OptionalNumber(channel.inputStreamId);
    if (columns.pls) fields += "," + OptionalNumber(channel.plsCode);
    return Ascii(fields);
}

void NoteChanges(std::size_t index, const ChannelRecord& channel, const char* what,
                 const std::vector<std::string>& changes, ConversionNotes& notes) {
    for (const std::string& change : changes) {
        notes.Add(Describe(index, channel) + ": in its " + what + ", " + change);
    }
}

// One channel's line, line feed included.
std::string ChannelLine(std::size_t index, const ChannelRecord& channel, const Columns& columns,
                        ConversionNotes& notes) {
    std::vector<std::string> nameChanges;
    std::vector<std::string> commentChanges;
    std::u16string name = Holdable(*channel.name, nameChanges);
    std::optional<std::u16string> comment;
    if (channel.comment) comment = Holdable(*channel.comment, commentChanges);
    const std::u16string tuning = TuningFields(index, channel, columns, notes);

    // The comment gives way first, then the name. The tuning fields take well under a line.
    const std::size_t nameUnits = Field(name).size();
    if (comment && tuning.size() + nameUnits + 1 + CommentField(*comment).size() > kMaxLineText) {
        const std::size_t used = tuning.size() + nameUnits + 1;
        Shorten(*comment, used < kMaxLineText ? kMaxLineText - used : 0);
        commentChanges.emplace_back(comment->empty() ? "it was left out to fit the reader's line"
                                                     : "it was shortened to fit the reader's line");
        if (comment->empty()) comment.reset();
    }
    const std::size_t commentUnits = comment ? 1 + CommentField(*comment).size() : 0;
    if (tuning.size() + nameUnits + commentUnits > kMaxLineText) {
        Shorten(name, kMaxLineText - tuning.size() - commentUnits);
        nameChanges.emplace_back("it was shortened to fit the reader's line");
    }
    NoteChanges(index, channel, "name", nameChanges, notes);
    NoteChanges(index, channel, "comment", commentChanges, notes);

    std::u16string line = Field(name) + tuning;
    if (comment) line += u"," + CommentField(*comment);
    return ToUtf8(line) + "\n";
}

}  // namespace

ChannelListText WriteChannelList(std::span<const ChannelRecord> channels, ConversionNotes& notes) {
    std::vector<const ChannelRecord*> kept;
    std::vector<std::size_t> indices;
    std::size_t pastLimit = 0;
    std::string firstPast;
    std::string lastPast;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        const std::string why = WhyUnreadable(channels[i]);
        if (!why.empty()) {
            notes.Add(Describe(i, channels[i]) + ": left out, " + why);
        } else if (kept.size() < static_cast<std::size_t>(kMaxChannels)) {
            kept.push_back(&channels[i]);
            indices.push_back(i);
        } else {
            if (pastLimit++ == 0) firstPast = Describe(i, channels[i]);
            lastPast = Describe(i, channels[i]);
        }
    }
    if (pastLimit > 0) {
        notes.Add(std::to_string(pastLimit) + " channel" + (pastLimit == 1 ? "" : "s") +
                  " left out, as a list holds 100: " + firstPast +
                  (pastLimit == 1 ? std::string() : " to " + lastPast));
    }

    const Columns columns = ColumnsFor(kept);
    ChannelListText text;
    text.bytes = Header(columns);
    for (std::size_t k = 0; k < kept.size(); ++k) {
        text.bytes += ChannelLine(indices[k], *kept[k], columns, notes);
    }
    text.written = static_cast<int>(kept.size());
    return text;
}

}  // namespace orvalen
