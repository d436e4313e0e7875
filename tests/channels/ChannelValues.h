// Helpers for the list conversion tests: a channel built in one call, its values compared as a
// whole, and a list written and read back by the program's own reader.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "ListFiles.h"
#include "channels/ChannelListWriter.h"
#include "channels/Utf.h"

namespace orvalen::test {

inline ChannelRecord Channel(std::u16string name, std::uint32_t khz, std::int32_t pol,
                             std::int32_t sr, std::int32_t onid = -1, std::int32_t tsid = -1,
                             std::int32_t sid = -1, std::int32_t system = kSystemEither,
                             std::int32_t isi = -1, std::int32_t pls = -1) {
    ChannelRecord r;
    r.valid = 1;
    r.name = std::move(name);
    r.frequencyKHz = khz;
    r.polarisation = pol;
    r.symbolRate = sr;
    r.onid = onid;
    r.tsid = tsid;
    r.sid = sid;
    r.system = system;
    r.inputStreamId = isi;
    r.plsCode = pls;
    return r;
}

// Everything a channel carries but its comment and validity, printable for failures.
struct Tuning {
    std::string name;
    std::uint32_t khz;
    std::int32_t pol, sr, onid, tsid, sid, system, isi, pls;
    friend bool operator==(const Tuning&, const Tuning&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Tuning& t) {
        return out << '{' << t.name << ' ' << t.khz << ' ' << t.pol << ' ' << t.sr << ' ' << t.onid
                   << ' ' << t.tsid << ' ' << t.sid << ' ' << t.system << ' ' << t.isi << ' '
                   << t.pls << '}';
    }
};

inline std::vector<Tuning> TuningOf(std::span<const ChannelRecord> channels) {
    std::vector<Tuning> out;
    for (const ChannelRecord& r : channels) {
        out.push_back({ToUtf8(r.name.value_or(u"<none>")), r.frequencyKHz, r.polarisation,
                       r.symbolRate, r.onid, r.tsid, r.sid, r.system, r.inputStreamId, r.plsCode});
    }
    return out;
}

inline std::vector<ChannelRecord> RecordsOf(const ChannelList& list) {
    std::vector<ChannelRecord> out;
    for (int i = 0; i < list.count; ++i) out.push_back(*list.records[i]);
    return out;
}

// `channels` written as a list and read back as the program reads it.
inline std::vector<ChannelRecord> WrittenAndRead(std::span<const ChannelRecord> channels,
                                                 ConversionNotes& notes) {
    const ChannelListText text = WriteChannelList(channels, notes);
    return RecordsOf(ParseChannels(text.bytes));
}

// Whether some note holds `part`.
inline bool Said(const ConversionNotes& notes, std::string_view part) {
    for (const std::string& line : notes.lines()) {
        if (line.find(part) != std::string::npos) return true;
    }
    return false;
}

}  // namespace orvalen::test
