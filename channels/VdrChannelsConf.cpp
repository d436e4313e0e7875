#include "channels/VdrChannelsConf.h"

#include <optional>

#include "channels/ConvertedText.h"
#include "channels/Utf.h"

namespace orvalen {

namespace {

constexpr std::size_t kSidField = 9;  // the first field past the parameters that a line needs
constexpr std::uint32_t kMaxId = 0xFFFF;
constexpr std::size_t kMaxSourcesSaid = 8;

// The values a line's parameter field gives.
struct Parameters {
    std::int32_t polarisation = kPolarisationNotSet;
    std::int32_t system = kSystemEither;
    std::int32_t inputStreamId = -1;
    std::string fault;
};

std::int32_t PolarisationOf(char letter) {
    switch (letter) {
        case 'H':
            return kPolarisationHorizontal;
        case 'V':
            return kPolarisationVertical;
        case 'L':
            return kPolarisationCircularLeft;
        case 'R':
            return kPolarisationCircularRight;
        default:
            return kPolarisationNotSet;
    }
}

Parameters ParametersOf(std::string_view text) {
    Parameters parameters;
    std::size_t i = 0;
    while (i < text.size() && parameters.fault.empty()) {
        char letter = text[i++];
        if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
        const std::size_t digits = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        const std::optional<std::uint32_t> value = ParseUnsigned(text.substr(digits, i - digits));
        if (letter < 'A' || letter > 'Z') {
            parameters.fault = "parameters \"" + std::string(text) + "\" do not parse";
        } else if (PolarisationOf(letter) != kPolarisationNotSet) {
            parameters.polarisation = PolarisationOf(letter);
        } else if (letter == 'S') {
            if (value == 0u || value == 1u) {
                parameters.system = *value == 0 ? kSystemDvbs : kSystemDvbs2;
            } else {
                parameters.fault = "system S" + std::string(text.substr(digits, i - digits)) +
                                   " is not DVB-S or DVB-S2";
            }
        } else if (letter == 'P') {
            if (value && *value <= kMaxInputStreamId) {
                parameters.inputStreamId = static_cast<std::int32_t>(*value);
            } else {
                parameters.fault = "stream id P is no input stream id (0-255)";
            }
        }
    }
    return parameters;
}

// Splits `line` at its colons.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t colon = line.find(':');
        fields.push_back(line.substr(0, colon));
        if (colon == std::string_view::npos) return fields;
        line.remove_prefix(colon + 1);
    }
}

// NID, TID or SID: 0 is VDR's "not given".
std::optional<std::int32_t> IdOf(const std::vector<std::string_view>& fields, std::size_t index) {
    if (index >= fields.size()) return -1;
    const std::optional<std::uint32_t> id = ParseUnsigned(TrimBlanks(fields[index]));
    if (!id || *id > kMaxId) return std::nullopt;
    return *id == 0 ? -1 : static_cast<std::int32_t>(*id);
}

// `text` with VDR's "|" turned back into the ":" it stands for.
std::u16string WithColons(std::string_view text) {
    std::u16string out = FromUtf8(text);
    for (char16_t& u : out) {
        if (u == u'|') u = u':';
    }
    return out;
}

// Fills the name and the comment from "name,short;provider".
void TakeNames(std::string_view field, ChannelRecord& channel) {
    const std::size_t semicolon = field.find(';');
    if (semicolon != std::string_view::npos && semicolon + 1 < field.size()) {
        channel.comment = WithColons(field.substr(semicolon + 1));
    }
    field = field.substr(0, semicolon);
    channel.name = WithColons(field.substr(0, field.rfind(',')));
}

// The channel of one line, or why it is left out.
std::string ReadLine(const std::vector<std::string_view>& fields, ChannelRecord& channel) {
    if (fields.size() <= kSidField) return "not a channel line";
    const std::string_view source = TrimBlanks(fields[3]);
    if (source.empty() || (source.front() != 'S' && source.front() != 's')) {
        return "source \"" + std::string(source) + "\" is not a satellite";
    }
    const Parameters parameters = ParametersOf(TrimBlanks(fields[2]));
    if (!parameters.fault.empty()) return parameters.fault;
    if (parameters.polarisation == kPolarisationNotSet) return "no polarisation";
    const std::optional<std::uint32_t> frequency = ParseUnsigned(TrimBlanks(fields[1]));
    if (!frequency || *frequency == 0) return "frequency does not parse";
    const std::optional<std::uint32_t> symbolRate = ParseUnsigned(TrimBlanks(fields[4]));
    if (!symbolRate || *symbolRate == 0 || *symbolRate > INT32_MAX) {
        return "symbol rate does not parse";
    }
    const std::optional<std::int32_t> sid = IdOf(fields, kSidField);
    const std::optional<std::int32_t> onid = IdOf(fields, kSidField + 1);
    const std::optional<std::int32_t> tsid = IdOf(fields, kSidField + 2);
    if (!sid || !onid || !tsid) return "SID, NID or TID does not parse";

    // VDR writes satellite frequencies in MHz; a value this large can only be kHz.
    channel.frequencyKHz = *frequency >= 100000 ? *frequency : *frequency * 1000;
    channel.symbolRate = static_cast<std::int32_t>(*symbolRate);
    channel.polarisation = parameters.polarisation;
    channel.system = parameters.system;
    channel.inputStreamId = parameters.inputStreamId;
    channel.sid = *sid;
    channel.onid = *onid;
    channel.tsid = *tsid;
    TakeNames(fields[0], channel);
    channel.valid = 1;
    return {};
}

void NoteSource(std::size_t number, std::string_view source, std::vector<std::string>& said,
                ConversionNotes& notes) {
    for (const std::string& known : said) {
        if (known == source) return;
    }
    if (said.size() >= kMaxSourcesSaid) return;
    said.emplace_back(source);
    notes.Add(std::to_string(number) + ": source " + std::string(source) +
              " ignored: the satellite list gives the LNB and the DiSEqC position");
}

// The name field VDR reads back as the channel's name.
std::string NameField(const ChannelRecord& channel, ConversionNotes& notes) {
    std::u16string name = channel.name.value_or(u"");
    bool changed = false;
    for (char16_t& u : name) {
        if (u == u':') {
            u = u'|';
        } else if (u == u';' || u == u'|' || u == u'\n' || u == u'\r' || u == 0) {
            u = u == u';' ? u',' : u == u'|' ? u'/' : u' ';
            changed = true;
        }
    }
    if (changed) {
        notes.Add("\"" + ToUtf8(*channel.name) +
                  "\": VDR cannot hold \";\", \"|\" or a line break in a name: written as \",\", "
                  "\"/\" or a blank");
    }
    // VDR takes what follows a name's last comma as its short name.
    if (name.find(u',') != std::u16string::npos) name += u',';
    return ToUtf8(name);
}

std::string ParametersField(const ChannelRecord& channel) {
    const bool known = channel.polarisation >= kPolarisationHorizontal &&
                       channel.polarisation <= kPolarisationCircularRight;
    std::string parameters(1, known ? "HVLR"[channel.polarisation - 1] : 'H');
    if (channel.system == kSystemDvbs) parameters += "S0";
    if (channel.system == kSystemDvbs2) parameters += "S1";
    if (channel.inputStreamId >= 0) parameters += "P" + std::to_string(channel.inputStreamId);
    return parameters;
}

std::string FrequencyField(const ChannelRecord& channel, ConversionNotes& notes) {
    if (channel.frequencyKHz % 1000 != 0) {
        notes.Add("\"" + ToUtf8(channel.name.value_or(u"")) +
                  "\": " + std::to_string(channel.frequencyKHz) + " kHz rounded to whole MHz");
    }
    return std::to_string((std::uint64_t{channel.frequencyKHz} + 500) / 1000);
}

std::string IdField(std::int32_t id) {
    return std::to_string(id < 0 ? 0 : id);
}

}  // namespace

std::vector<ChannelRecord> ReadVdrChannelsConf(std::string_view text, ConversionNotes& notes) {
    std::vector<ChannelRecord> channels;
    std::vector<std::string> sourcesSaid;
    ForEachTextLine(text, [&](std::size_t number, std::string_view line) {
        if (TrimBlanks(line).empty() || line.front() == ':') return;
        const std::vector<std::string_view> fields = Fields(line);
        ChannelRecord channel;
        const std::string why = ReadLine(fields, channel);
        if (!why.empty()) {
            notes.Add(std::to_string(number) + ": left out: " + why);
            return;
        }
        NoteSource(number, TrimBlanks(fields[3]), sourcesSaid, notes);
        channels.push_back(std::move(channel));
    });
    return channels;
}

std::string WriteVdrChannelsConf(std::span<const ChannelRecord> channels, std::string_view source,
                                 ConversionNotes& notes) {
    std::string out;
    for (const ChannelRecord& channel : channels) {
        if (channel.plsCode >= 0) {
            notes.Add("\"" + ToUtf8(channel.name.value_or(u"")) + "\": scrambling code " +
                      std::to_string(channel.plsCode) +
                      " not written: channels.conf has no place "
                      "for it");
        }
        out += NameField(channel, notes) + ":" + FrequencyField(channel, notes) + ":" +
               ParametersField(channel) + ":" + std::string(source) + ":" +
               std::to_string(channel.symbolRate) + ":0:0:0:0:" + IdField(channel.sid) + ":" +
               IdField(channel.onid) + ":" + IdField(channel.tsid) + ":0\n";
    }
    return out;
}

}  // namespace orvalen
