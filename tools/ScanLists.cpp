#include "tools/ScanLists.h"

#include <algorithm>
#include <cstdio>
#include <regex>

#include "channels/ConvertedText.h"
#include "channels/CsvField.h"
#include "channels/Utf.h"
#include "scan/Sdt.h"

namespace orvalen {
namespace {

bool IsTv(std::int32_t type) {
    return type == scan::kServiceTypeTv || type == scan::kServiceTypeH264SdTv ||
           type == scan::kServiceTypeH264HdTv || type == scan::kServiceTypeHevcTv;
}
bool IsRadio(std::int32_t type) {
    return type == scan::kServiceTypeRadio || type == scan::kServiceTypeAdvancedCodecRadio;
}

bool Chosen(const scan::ScannedService& service, const ServiceChoice& choice,
            const std::optional<std::regex>& match) {
    if (choice.tv || choice.radio) {
        if (!(choice.tv && IsTv(service.serviceType)) &&
            !(choice.radio && IsRadio(service.serviceType)))
            return false;
    }
    if (choice.free && service.scrambled) return false;
    return !match || std::regex_search(service.name, *match);
}

ChannelRecord RecordOf(const scan::ScannedTransponder& t, const scan::ScannedService& service) {
    ChannelRecord record;
    record.valid = 1;
    record.frequencyKHz = t.carrier.frequencyKHz;
    record.symbolRate = t.carrier.symbolRate;
    record.polarisation = t.carrier.polarisation;
    record.onid = t.onid;
    record.tsid = t.tsid;
    record.sid = service.sid;
    record.system = t.system == scan::kDvbS2  ? kSystemDvbs2
                    : t.system == scan::kDvbS ? kSystemDvbs
                                              : kSystemEither;
    record.name = FromUtf8(service.name);
    std::string comment = ServiceKind(service);
    if (service.scrambled) comment += " scrambled";
    if (t.sdtMissing) comment += " (no SDT came: name from the PAT)";
    record.comment = FromUtf8(comment);
    return record;
}

// The CSV form of a field: quoted when it holds a comma or a quote or starts with a blank.
std::string CsvText(const std::string& text) {
    if (text.find_first_of(",\"") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// The fields of one line, as the program's reader cuts them.
std::vector<std::u16string> Fields(std::string_view line) {
    const std::u16string wide = FromUtf8(line);
    std::u16string_view cursor = wide;
    std::vector<std::u16string> fields;
    while (const CsvField field = NextCsvField(cursor)) fields.emplace_back(*field);
    return fields;
}

}  // namespace

const char* ServiceKind(const scan::ScannedService& service) {
    return IsTv(service.serviceType) ? "tv" : IsRadio(service.serviceType) ? "radio" : "data";
}

ChosenChannels ChooseChannels(const scan::ScanReport& report, const ServiceChoice& choice) {
    std::optional<std::regex> match;
    if (!choice.match.empty()) match.emplace(choice.match);
    ChosenChannels chosen;
    for (const auto& t : report.transponders)
        for (const auto& service : t.services) {
            if (!Chosen(service, choice, match))
                ++chosen.notChosen;
            else
                chosen.channels.push_back(RecordOf(t, service));
        }
    std::stable_sort(chosen.channels.begin(), chosen.channels.end(),
                     [](const ChannelRecord& a, const ChannelRecord& b) {
                         return std::tie(a.frequencyKHz, a.polarisation, a.sid) <
                                std::tie(b.frequencyKHz, b.polarisation, b.sid);
                     });
    if (chosen.channels.size() > kMaxListChannels) {
        chosen.overLimit = chosen.channels.size() - kMaxListChannels;
        chosen.channels.resize(kMaxListChannels);
    }
    return chosen;
}

std::string ScanListName(int tuner, int source, const std::string& networkName) {
    std::string name;
    for (const char c : networkName)
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) name += c;
    if (name.empty()) name = "Scan";
    return "T" + std::to_string(tuner) + "-LNB" + std::to_string(source) + "-" +
           static_cast<char>('A' + source - 1) + "-" + name + ".csv";
}

std::string SatelliteName(const scan::ScanReport& report, int source) {
    std::string name = report.networkName.empty()
                           ? "Source " + std::string(1, static_cast<char>('A' + source - 1))
                           : report.networkName;
    if (report.orbitalTenths) {
        const int tenths = std::abs(*report.orbitalTenths);
        char position[16];
        std::snprintf(position, sizeof position, " %d.%d%c", tenths / 10, tenths % 10,
                      *report.orbitalTenths >= 0 ? 'E' : 'W');
        name += position;
    }
    return name;
}

std::optional<std::string> UpdateSatelliteList(const std::optional<std::string>& existing,
                                               const SatelliteLine& line, std::string& error,
                                               std::string& replacedList) {
    std::string text = existing.value_or("");
    if (text.starts_with("\xEF\xBB\xBF") ? text.size() == 3 : text.empty())
        text += "NAME,Tuner,LNBSource,ChannelList,Comment\n";
    const std::size_t headerEnd = text.find('\n');
    const std::string_view header = std::string_view(text)
                                        .substr(0, headerEnd)
                                        .substr(text.starts_with("\xEF\xBB\xBF") ? 3 : 0);
    const bool crlf = header.ends_with('\r');
    const std::vector<std::u16string> columns = Fields(header.substr(0, header.size() - crlf));
    int tunerColumn = -1, sourceColumn = -1, listColumn = -1;
    std::string newLine;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::u16string& c = columns[i];
        std::string value;
        if (ColumnNameIs(c, u"NAME")) value = CsvText(line.name);
        if (ColumnNameIs(c, u"Tuner")) value = std::to_string(line.tuner), tunerColumn = int(i);
        if (ColumnNameIs(c, u"LNBSource"))
            value = std::to_string(line.source), sourceColumn = int(i);
        if (ColumnNameIs(c, u"ChannelList")) value = CsvText(line.listFile), listColumn = int(i);
        if (ColumnNameIs(c, u"Comment")) value = CsvText(line.comment);
        newLine += (i ? "," : "") + value;
    }
    if (tunerColumn < 0 || sourceColumn < 0 || listColumn < 0) {
        error = "its header has no Tuner, LNBSource or ChannelList column";
        return std::nullopt;
    }
    newLine += crlf ? "\r\n" : "\n";
    // Lines after the header: the first one for this slot gives its place to the new line.
    std::size_t at = headerEnd == std::string::npos ? text.size() : headerEnd + 1;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view current = std::string_view(text).substr(at, end - at);
        if (current.ends_with('\r')) current.remove_suffix(1);
        const auto fields = Fields(current);
        const auto number = [&](int column) {
            return static_cast<std::size_t>(column) < fields.size()
                       ? ParseAnyDecimalInt32(fields[static_cast<std::size_t>(column)])
                       : 0;
        };
        if (number(tunerColumn) == line.tuner && number(sourceColumn) == line.source) {
            const auto old = static_cast<std::size_t>(listColumn) < fields.size()
                                 ? fields[static_cast<std::size_t>(listColumn)]
                                 : std::u16string();
            if (old != FromUtf8(line.listFile)) replacedList = ToUtf8(old);
            return text.substr(0, at) + newLine + text.substr(std::min(end + 1, text.size()));
        }
        at = end + 1;
    }
    if (!text.ends_with('\n')) text += crlf ? "\r\n" : "\n";
    return text + newLine;
}

}  // namespace orvalen
