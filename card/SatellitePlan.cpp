#include "card/SatellitePlan.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

namespace card {
namespace {

using Fields = std::vector<std::string>;

// Code rates each system and modulation defines.
constexpr std::array<std::string_view, 5> kDvbsRates{"1/2", "2/3", "3/4", "5/6", "7/8"};
constexpr std::array<std::string_view, 11> kDvbs2QpskRates{"1/4", "1/3", "2/5", "1/2", "3/5", "2/3",
                                                           "3/4", "4/5", "5/6", "8/9", "9/10"};
constexpr std::array<std::string_view, 6> kDvbs2Psk8Rates{"3/5", "2/3", "3/4",
                                                          "5/6", "8/9", "9/10"};

// Splits a CSV line; false when a quoted field is not closed.
bool SplitFields(std::string_view line, Fields& fields) {
    fields.assign(1, {});
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return !quoted;
}

template <typename Number>
bool ParseNumber(const std::string& field, Number min, Number max, Number& value) {
    const char* end = field.data() + field.size();
    const auto [stop, ec] = std::from_chars(field.data(), end, value);
    return ec == std::errc{} && stop == end && value >= min && value <= max;
}

struct ModulationName {
    std::string_view system;
    std::string_view modulation;
    Modulation value;
};
constexpr std::array<ModulationName, 3> kModulations{{
    {"DVB-S", "QPSK", Modulation::DvbsQpsk},
    {"DVB-S2", "QPSK", Modulation::Dvbs2Qpsk},
    {"DVB-S2", "8PSK", Modulation::Dvbs2Psk8},
}};

bool ParseModulation(const std::string& system, const std::string& modulation, Modulation& out) {
    for (const ModulationName& name : kModulations) {
        if (name.system != system || name.modulation != modulation) continue;
        out = name.value;
        return true;
    }
    return false;
}

bool ParseCodeRate(const std::string& field, Modulation modulation, Transponder& transponder) {
    const auto contains = [&](const auto& rates) {
        return std::find(rates.begin(), rates.end(), field) != rates.end();
    };
    const bool defined = modulation == Modulation::DvbsQpsk    ? contains(kDvbsRates)
                         : modulation == Modulation::Dvbs2Qpsk ? contains(kDvbs2QpskRates)
                                                               : contains(kDvbs2Psk8Rates);
    if (!defined) return false;
    const std::size_t slash = field.find('/');
    transponder.codeRateNumerator = static_cast<std::uint8_t>(std::stoi(field.substr(0, slash)));
    transponder.codeRateDenominator = static_cast<std::uint8_t>(std::stoi(field.substr(slash + 1)));
    return true;
}

// DVB-S has the one roll-off; DVB-S2 lets the broadcaster choose a steeper one.
bool ParseRollOff(const std::string& field, Modulation modulation, double& rollOff) {
    const bool defined = field == "0.35" || (modulation != Modulation::DvbsQpsk &&
                                             (field == "0.25" || field == "0.20"));
    return defined && ParseNumber(field, 0.0, 1.0, rollOff);
}

// "" when the fields make a transponder, else why not.
std::string ReadTransponder(const Fields& f, Transponder& t) {
    if (f.size() != 11) return "a transponder has 11 fields";
    if (!ParseNumber(f[1], 10700u, 12750u, t.frequencyMHz))
        return "frequency " + f[1] + " out of range";
    if (f[2] != "H" && f[2] != "V") return "polarisation " + f[2] + " is not H or V";
    t.polarisation = f[2] == "H" ? LinearPolarisation::Horizontal : LinearPolarisation::Vertical;
    if (!ParseNumber(f[3], 1000u, 45000u, t.symbolRate))
        return "symbol rate " + f[3] + " out of range";
    if (!ParseModulation(f[4], f[5], t.modulation)) return f[4] + " has no modulation " + f[5];
    if (!ParseCodeRate(f[6], t.modulation, t))
        return f[4] + " " + f[5] + " has no code rate " + f[6];
    if (!ParseRollOff(f[7], t.modulation, t.rollOff)) return f[4] + " has no roll-off " + f[7];
    if (!ParseNumber(f[8], 30.0, 80.0, t.powerDb)) return "power " + f[8] + " out of range";
    if (!ParseNumber<std::uint16_t>(f[9], 0, 65535, t.onid))
        return "ONID " + f[9] + " out of range";
    if (!ParseNumber<std::uint16_t>(f[10], 0, 65535, t.tsid))
        return "TSID " + f[10] + " out of range";
    return {};
}

bool ParseKind(const std::string& field, Service& service) {
    std::size_t at = 0;
    bool kindGiven = false;
    while (at < field.size()) {
        const std::size_t space = std::min(field.find(' ', at), field.size());
        const std::string_view word = std::string_view(field).substr(at, space - at);
        if (word == "tv")
            kindGiven = true;
        else if (word == "hd")
            kindGiven = service.hd = true;
        else if (word == "radio")
            kindGiven = service.radio = true;
        else if (word == "scrambled")
            service.scrambled = true;
        else
            return false;
        at = space + 1;
    }
    return kindGiven;
}

std::string ReadService(const Fields& f, Service& s) {
    if (f.size() != 4) return "a service has 4 fields";
    // Program number 0 is the network's entry of a PAT, never a service.
    if (!ParseNumber<std::uint16_t>(f[1], 1, 65535, s.sid)) return "SID " + f[1] + " out of range";
    if (f[2].empty()) return "a service needs a name";
    s.name = f[2];
    if (!ParseKind(f[3], s)) return "kind " + f[3] + " is not tv, hd or radio";
    return {};
}

// The transport stream of `transponder` that takes the next services: its last input stream.
Transponder& LastStream(Transponder& transponder) {
    return transponder.otherStreams.empty() ? transponder : transponder.otherStreams.back();
}

// "" when the fields start an input stream of `carrier`, else why not.
std::string ReadStream(const Fields& f, Transponder& carrier) {
    if (f.size() != 5) return "a stream has 5 fields";
    if (carrier.modulation == Modulation::DvbsQpsk) return "a DVB-S carrier has one stream";
    const bool first = carrier.inputStreamId == -1;
    if (first && !carrier.services.empty()) return "the first stream follows its transponder";
    Transponder stream = carrier;
    stream.services.clear();
    stream.otherStreams.clear();
    if (!ParseNumber(f[1], 0, 255, stream.inputStreamId)) return "ISI " + f[1] + " out of range";
    const auto same = [&](const Transponder& t) { return t.inputStreamId == stream.inputStreamId; };
    if (same(carrier) ||
        std::any_of(carrier.otherStreams.begin(), carrier.otherStreams.end(), same))
        return "ISI " + f[1] + " twice on one carrier";
    if (!ParseNumber(f[2], 0u, kMaxPlsGoldCode, stream.plsCode))
        return "PLS " + f[2] + " out of range";
    if (!ParseNumber<std::uint16_t>(f[3], 0, 65535, stream.onid))
        return "ONID " + f[3] + " out of range";
    if (!ParseNumber<std::uint16_t>(f[4], 0, 65535, stream.tsid))
        return "TSID " + f[4] + " out of range";
    if (first)
        carrier = std::move(stream);
    else
        carrier.otherStreams.push_back(std::move(stream));
    return {};
}

// "19.2E" or "30.0W": degrees (at most 180, to a tenth) east or west.
bool ParsePosition(const std::string& field, std::int16_t& tenths) {
    if (field.size() < 2 || (field.back() != 'E' && field.back() != 'W')) return false;
    const std::string number = field.substr(0, field.size() - 1);
    const std::size_t point = number.find('.');
    const bool tenthGiven = point != std::string::npos && point + 2 == number.size();
    if (point != std::string::npos && !tenthGiven) return false;
    int whole = 0;
    int tenth = 0;
    if (!ParseNumber(number.substr(0, point), 0, 180, whole) ||
        (tenthGiven && !ParseNumber(number.substr(point + 1), 0, 9, tenth)) ||
        whole * 10 + tenth > 1800)
        return false;
    tenths = static_cast<std::int16_t>((whole * 10 + tenth) * (field.back() == 'E' ? 1 : -1));
    return true;
}

// The satellite's optional lines: where it stands and what its network is called.
std::string ReadSatelliteDetail(const Fields& fields, Satellite& satellite, bool& positionSeen) {
    if (fields[0] == "position") {
        if (positionSeen) return "a second position";
        if (fields.size() != 2 || !ParsePosition(fields[1], satellite.orbitalTenths))
            return "a position is like 19.2E or 30.0W, at most 180.0";
        positionSeen = true;
        return {};
    }
    if (!satellite.network.empty()) return "a second network";
    if (fields.size() != 2 || fields[1].empty()) return "a network has a name";
    satellite.network = fields[1];
    return {};
}

std::string ReadLine(const Fields& fields, std::optional<Satellite>& satellite,
                     bool& positionSeen) {
    const std::string& type = fields[0];
    if (type == "satellite") {
        if (satellite) return "a second satellite";
        if (fields.size() != 2 || fields[1].empty()) return "a satellite has a name";
        satellite.emplace().name = fields[1];
        return {};
    }
    if (!satellite) return "the plan begins with its satellite";
    if (type == "position" || type == "network")
        return ReadSatelliteDetail(fields, *satellite, positionSeen);
    if (type == "transponder") {
        Transponder transponder;
        std::string why = ReadTransponder(fields, transponder);
        if (why.empty()) satellite->transponders.push_back(std::move(transponder));
        return why;
    }
    if (type == "service") {
        if (satellite->transponders.empty()) return "a service before any transponder";
        Service service;
        std::string why = ReadService(fields, service);
        if (why.empty())
            LastStream(satellite->transponders.back()).services.push_back(std::move(service));
        return why;
    }
    if (type == "stream") {
        if (satellite->transponders.empty()) return "a stream before any transponder";
        return ReadStream(fields, satellite->transponders.back());
    }
    return "unknown line type " + type;
}

}  // namespace

std::optional<Satellite> ReadSatellitePlan(std::string_view text, std::string& error) {
    std::optional<Satellite> satellite;
    bool positionSeen = false;
    Fields fields;
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        ++number;
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::string why = SplitFields(line, fields) ? ReadLine(fields, satellite, positionSeen)
                                                    : "unclosed quote";
        if (!why.empty()) {
            error = "line " + std::to_string(number) + ": " + why;
            return std::nullopt;
        }
    }
    if (!satellite) error = "no satellite";
    return satellite;
}

}  // namespace card
