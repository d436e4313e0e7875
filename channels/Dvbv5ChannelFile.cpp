#include "channels/Dvbv5ChannelFile.h"

#include <array>
#include <optional>

#include "channels/ConvertedText.h"
#include "channels/Utf.h"

namespace orvalen {

namespace {

constexpr std::uint32_t kNoStreamId = 0xFFFFFFFF;  // the tools' "no stream id filter"
constexpr std::uint32_t kMaxId = 0xFFFF;

constexpr std::array<std::string_view, 4> kLnbKeys = {"LNB", "SAT_NUMBER", "DISEQC_WAIT",
                                                      "FREQ_BPF"};

// The values of one entry as its lines give them.
struct Entry {
    std::size_t line = 0;  // of its opening "["
    std::optional<std::u16string> name;
    std::optional<std::string> system;
    std::optional<std::string> polarisation;
    std::optional<std::uint32_t> frequency;
    std::optional<std::uint32_t> symbolRate;
    std::optional<std::uint32_t> sid;
    std::optional<std::uint32_t> onid;
    std::optional<std::uint32_t> tsid;
    std::optional<std::uint32_t> streamId;
    std::optional<std::uint32_t> pls;
    std::string fault;  // the first value that did not parse
};

std::optional<std::uint32_t>* NumberFor(Entry& entry, std::string_view key) {
    if (SameWord(key, "FREQUENCY")) return &entry.frequency;
    if (SameWord(key, "SYMBOL_RATE")) return &entry.symbolRate;
    if (SameWord(key, "SERVICE_ID")) return &entry.sid;
    if (SameWord(key, "NETWORK_ID")) return &entry.onid;
    if (SameWord(key, "TRANSPORT_ID")) return &entry.tsid;
    if (SameWord(key, "STREAM_ID")) return &entry.streamId;
    if (SameWord(key, "SCRAMBLING_SEQUENCE_INDEX")) return &entry.pls;
    return nullptr;
}

void TakeValue(Entry& entry, std::string_view key, std::string_view value) {
    if (SameWord(key, "DELIVERY_SYSTEM")) {
        entry.system = std::string(value);
    } else if (SameWord(key, "POLARIZATION")) {
        entry.polarisation = std::string(value);
    } else if (std::optional<std::uint32_t>* number = NumberFor(entry, key)) {
        // The tools print "no stream id" as a signed number.
        *number = SameWord(key, "STREAM_ID") && value == "-1" ? kNoStreamId : ParseUnsigned(value);
        if (!*number && entry.fault.empty()) {
            entry.fault = std::string(key) + " \"" + std::string(value) + "\" is not a number";
        }
    }
}

std::optional<std::int32_t> PolarisationOf(std::string_view value) {
    if (SameWord(value, "HORIZONTAL")) return kPolarisationHorizontal;
    if (SameWord(value, "VERTICAL")) return kPolarisationVertical;
    if (SameWord(value, "LEFT")) return kPolarisationCircularLeft;
    if (SameWord(value, "RIGHT")) return kPolarisationCircularRight;
    return std::nullopt;
}

std::optional<std::int32_t> SystemOf(const std::optional<std::string>& value) {
    if (!value) return kSystemEither;
    if (SameWord(*value, "DVBS")) return kSystemDvbs;
    if (SameWord(*value, "DVBS2")) return kSystemDvbs2;
    return std::nullopt;
}

// Why `entry` cannot be a channel, or empty.
std::string WhyLeftOut(const Entry& entry) {
    if (!entry.fault.empty()) return entry.fault;
    if (!SystemOf(entry.system))
        return "delivery system " + *entry.system + " is not DVB-S or DVB-S2";
    if (!entry.frequency || *entry.frequency == 0) return "no FREQUENCY";
    if (!entry.symbolRate || *entry.symbolRate < 500) return "no SYMBOL_RATE";
    if (!entry.polarisation) return "no POLARIZATION";
    if (!PolarisationOf(*entry.polarisation)) return "POLARIZATION " + *entry.polarisation;
    for (const auto* id : {&entry.sid, &entry.onid, &entry.tsid}) {
        if (*id && **id > kMaxId) return "an id above 65535";
    }
    if (entry.streamId && *entry.streamId != kNoStreamId && *entry.streamId > kMaxInputStreamId) {
        return "STREAM_ID " + std::to_string(*entry.streamId) + " is no input stream id (0-255)";
    }
    if (entry.pls && *entry.pls > kMaxPlsCode) return "SCRAMBLING_SEQUENCE_INDEX above 262143";
    return {};
}

std::int32_t IdOrNone(const std::optional<std::uint32_t>& id) {
    return id ? static_cast<std::int32_t>(*id) : -1;
}

void Finish(const Entry& entry, std::vector<ChannelRecord>& channels, ConversionNotes& notes) {
    const std::string at = std::to_string(entry.line) + ": ";
    const std::string why = WhyLeftOut(entry);
    if (!why.empty()) {
        notes.Add(at + "[" + ToUtf8(entry.name.value_or(u"")) + "] left out: " + why);
        return;
    }
    ChannelRecord channel;
    channel.frequencyKHz = *entry.frequency;
    channel.symbolRate = static_cast<std::int32_t>((std::uint64_t{*entry.symbolRate} + 500) / 1000);
    if (*entry.symbolRate % 1000 != 0) {
        notes.Add(at + "SYMBOL_RATE " + std::to_string(*entry.symbolRate) + " rounded to " +
                  std::to_string(channel.symbolRate) + " ksymbol/s");
    }
    channel.polarisation = *PolarisationOf(*entry.polarisation);
    channel.system = *SystemOf(entry.system);
    channel.sid = IdOrNone(entry.sid);
    channel.onid = IdOrNone(entry.onid);
    channel.tsid = IdOrNone(entry.tsid);
    if (entry.streamId && *entry.streamId != kNoStreamId) {
        channel.inputStreamId = static_cast<std::int32_t>(*entry.streamId);
    }
    channel.plsCode = IdOrNone(entry.pls);
    if (entry.name) {
        channel.name = *entry.name;
    } else {
        const std::string name = "Service " + std::to_string(channel.sid) + " on " +
                                 std::to_string(channel.frequencyKHz / 1000) + " MHz";
        notes.Add(at + "an entry without a name, named \"" + name + "\"");
        channel.name = FromUtf8(name);
    }
    channel.valid = 1;
    channels.push_back(std::move(channel));
}

// The name of the entry that `line` (after its "[") opens; none for the tools' "[CHANNEL]".
std::optional<std::u16string> EntryName(std::string_view line) {
    line = TrimBlanks(line.substr(0, line.find(']')));
    if (line.empty() || SameWord(line, "CHANNEL")) return std::nullopt;
    return FromUtf8(line);
}

void NoteLnbKey(std::size_t number, std::string_view key, std::array<bool, 4>& said,
                ConversionNotes& notes) {
    for (std::size_t i = 0; i < kLnbKeys.size(); ++i) {
        if (SameWord(key, kLnbKeys[i]) && !said[i]) {
            said[i] = true;
            notes.Add(std::to_string(number) + ": " + std::string(kLnbKeys[i]) +
                      " ignored: the satellite list gives the LNB and the DiSEqC position");
        }
    }
}

const char* PolarisationName(std::int32_t polarisation) {
    switch (polarisation) {
        case kPolarisationHorizontal:
            return "HORIZONTAL";
        case kPolarisationVertical:
            return "VERTICAL";
        case kPolarisationCircularLeft:
            return "LEFT";
        default:
            return "RIGHT";
    }
}

// `name` as an entry's opening line can hold it.
std::string EntryNameText(const ChannelRecord& channel, ConversionNotes& notes) {
    std::u16string name = channel.name.value_or(u"");
    bool changed = false;
    for (char16_t& u : name) {
        if (u == u'\n' || u == u'\r' || u == u']' || u == 0) {
            u = u == u']' ? u')' : u' ';
            changed = true;
        }
    }
    if (changed) {
        notes.Add("\"" + ToUtf8(*channel.name) +
                  "\": a line break or \"]\" in its name became a blank or \")\"");
    }
    return ToUtf8(name);
}

void WriteKey(std::string& out, const char* key, const std::string& value) {
    out.append("\t").append(key).append(" = ").append(value).append("\n");
}

}  // namespace

bool IsDvbv5ChannelFile(std::string_view text) {
    bool entry = false;
    bool decided = false;
    ForEachTextLine(text, [&](std::size_t, std::string_view line) {
        line = TrimBlanks(line);
        if (decided || line.empty() || line.front() == '#') return;
        decided = true;
        entry = line.front() == '[';
    });
    return entry;
}

std::vector<ChannelRecord> ReadDvbv5ChannelFile(std::string_view text, ConversionNotes& notes) {
    std::vector<ChannelRecord> channels;
    std::optional<Entry> entry;
    std::array<bool, kLnbKeys.size()> lnbSaid{};
    ForEachTextLine(text, [&](std::size_t number, std::string_view line) {
        line = TrimBlanks(line);
        if (line.empty() || line.front() == '#') return;
        if (line.front() == '[') {
            if (entry) Finish(*entry, channels, notes);
            entry.emplace();
            entry->line = number;
            entry->name = EntryName(line.substr(1));
            return;
        }
        const std::size_t equals = line.find('=');
        if (!entry || equals == std::string_view::npos) {
            notes.Add(std::to_string(number) + ": ignored, " +
                      (entry ? "not KEY = VALUE" : "a value outside any entry"));
            return;
        }
        const std::string_view key = TrimBlanks(line.substr(0, equals));
        NoteLnbKey(number, key, lnbSaid, notes);
        TakeValue(*entry, key, TrimBlanks(line.substr(equals + 1)));
    });
    if (entry) Finish(*entry, channels, notes);
    return channels;
}

std::string WriteDvbv5ChannelFile(std::span<const ChannelRecord> channels, ConversionNotes& notes) {
    std::string out;
    std::size_t withoutSystem = 0;
    for (const ChannelRecord& channel : channels) {
        out += "[" + EntryNameText(channel, notes) + "]\n";
        if (channel.sid >= 0) WriteKey(out, "SERVICE_ID", std::to_string(channel.sid));
        if (channel.onid >= 0) WriteKey(out, "NETWORK_ID", std::to_string(channel.onid));
        if (channel.tsid >= 0) WriteKey(out, "TRANSPORT_ID", std::to_string(channel.tsid));
        if (channel.system == kSystemDvbs || channel.system == kSystemDvbs2) {
            WriteKey(out, "DELIVERY_SYSTEM", channel.system == kSystemDvbs ? "DVBS" : "DVBS2");
        } else {
            ++withoutSystem;
        }
        WriteKey(out, "FREQUENCY", std::to_string(channel.frequencyKHz));
        WriteKey(out, "POLARIZATION", PolarisationName(channel.polarisation));
        WriteKey(out, "SYMBOL_RATE", std::to_string(std::int64_t{channel.symbolRate} * 1000));
        WriteKey(out, "INNER_FEC", "AUTO");
        WriteKey(out, "INVERSION", "AUTO");
        if (channel.inputStreamId >= 0) {
            WriteKey(out, "STREAM_ID", std::to_string(channel.inputStreamId));
        }
        if (channel.plsCode >= 0) {
            WriteKey(out, "SCRAMBLING_SEQUENCE_INDEX", std::to_string(channel.plsCode));
        }
        out += "\n";
    }
    if (withoutSystem > 0) {
        notes.Add("no DELIVERY_SYSTEM written for the " + std::to_string(withoutSystem) +
                  " channel(s) without SYS: the dvbv5 tools use the frontend's current one");
    }
    return out;
}

}  // namespace orvalen
