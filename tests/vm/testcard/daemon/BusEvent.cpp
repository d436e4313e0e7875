#include "BusEvent.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace testcard {
namespace {

constexpr const char* kKindNames[] = {"voltage", "tone", "message", "burst", "tune"};

}  // namespace

std::string Format(const BusEvent& event) {
    std::ostringstream line;
    line << event.timeNs << ' ' << event.tuner << ' ' << kKindNames[static_cast<int>(event.kind)]
         << ' ';
    if (event.kind == BusKind::Message) {
        for (std::size_t i = 0; i < event.bytes.size(); ++i) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", event.bytes[i]);
            line << (i ? "." : "") << hex;
        }
    } else {
        line << event.value;
    }
    if (event.kind == BusKind::Message || event.kind == BusKind::Tune)
        line << ' '
             << (event.landed ? (event.kind == BusKind::Tune ? "locked" : "landed")
                              : (event.kind == BusKind::Tune ? "unlocked" : "lost"));
    if (!event.note.empty()) line << ' ' << event.note;
    return line.str();
}

std::optional<BusEvent> Parse(const std::string& line) try {
    std::istringstream in(line);
    BusEvent event;
    std::string kind, value, outcome;
    if (!(in >> event.timeNs >> event.tuner >> kind >> value)) return std::nullopt;
    int index = -1;
    for (int i = 0; i < 5; ++i)
        if (kind == kKindNames[i]) index = i;
    if (index < 0) return std::nullopt;
    event.kind = static_cast<BusKind>(index);
    if (event.kind == BusKind::Message) {
        std::istringstream bytes(value);
        std::string byte;
        while (std::getline(bytes, byte, '.')) {
            if (byte.size() != 2) return std::nullopt;
            event.bytes.push_back(static_cast<std::uint8_t>(std::stoul(byte, nullptr, 16)));
        }
    } else {
        event.value = static_cast<std::uint32_t>(std::stoul(value));
    }
    if (event.kind == BusKind::Message || event.kind == BusKind::Tune) {
        if (!(in >> outcome)) return std::nullopt;
        event.landed = outcome == "landed" || outcome == "locked";
        std::getline(in >> std::ws, event.note);
    }
    return event;
} catch (const std::exception&) {  // a number out of range or none at all
    return std::nullopt;
}

}  // namespace testcard
