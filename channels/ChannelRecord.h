// ChannelRecord: one channel of a channel list file, built from one line by
// ParseChannelRecord. Its values go to the tuner unchanged (frequency in kHz, symbol rate in
// ksymbol/s as written).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "channels/CsvField.h"
#include "channels/CsvTable.h"

namespace orvalen {

// Values of ChannelRecord::polarisation, as the tuning interfaces take them.
inline constexpr std::int32_t kPolarisationNotSet = -1;
inline constexpr std::int32_t kPolarisationHorizontal = 1;
inline constexpr std::int32_t kPolarisationVertical = 2;
inline constexpr std::int32_t kPolarisationCircularLeft = 3;
inline constexpr std::int32_t kPolarisationCircularRight = 4;

// Values of ChannelRecord::system, as the tuning interfaces take them: the transmission system
// the carrier uses, or either, in which case the tuner tries both.
inline constexpr std::int32_t kSystemEither = -1;
inline constexpr std::int32_t kSystemDvbs = 1;
inline constexpr std::int32_t kSystemDvbs2 = 2;

// The largest DVB-S2 input stream id and physical-layer scrambling (gold) code a list may give.
inline constexpr std::int32_t kMaxInputStreamId = 255;
inline constexpr std::int32_t kMaxPlsCode = 262143;

// Whether a record's stream id or code is one a tuner takes, or -1 (not given).
constexpr bool IsInputStreamIdOrNone(std::int32_t id) {
    return id >= -1 && id <= kMaxInputStreamId;
}
constexpr bool IsPlsCodeOrNone(std::int32_t code) {
    return code >= -1 && code <= kMaxPlsCode;
}

struct ChannelRecord {
    std::uint8_t valid = 0;  // 1 when NAME, FREQ, SR and POL are given and ISI, PLS in range
    std::uint32_t frequencyKHz = 0;         // 0 = not given
    std::int32_t symbolRate = 0;            // ksymbol/s as written; 0 = not given
    std::int32_t onid = -1;                 // -1 = not given
    std::int32_t tsid = -1;                 // -1 = not given
    std::int32_t sid = -1;                  // -1 = not given
    std::optional<std::u16string> name;     // the menu text
    std::optional<std::u16string> comment;  // stored, never used
    std::int32_t polarisation = kPolarisationNotSet;
    // Optional, for DVB-S2 carriers: the system, the input stream of a multistream carrier and
    // the gold code of its physical-layer scrambling; -1 = not given. A record whose stream id
    // or code lies outside 0..kMaxInputStreamId or 0..kMaxPlsCode is not valid.
    std::int32_t system = kSystemEither;
    std::int32_t inputStreamId = -1;
    std::int32_t plsCode = -1;
};

// A FREQ value below this (compared unsigned) is in MHz, anything else in kHz.
inline constexpr std::uint32_t kFrequencyKHzThreshold = 2500000;

// The columns of a channel list's header, told apart once per file rather than once per line.
class ChannelColumns {
public:
    enum class Column : std::uint8_t {
        Other,
        Name,
        Comment,
        Freq,
        Sr,
        Onid,
        Tsid,
        Sid,
        Pol,
        Sys,
        Isi,
        Pls
    };

    // From the first `columnCount` names of the header (column names match in any case).
    ChannelColumns(std::span<const std::u16string_view> names, int columnCount);

    std::span<const Column> columns() const { return {columns_.data(), count_}; }

private:
    std::array<Column, kMaxCsvColumns> columns_{};
    std::size_t count_ = 0;
};

// Fills `record` from the fields of one line under `columns` (a column past the line's last
// field has no value). Texts, SYS, ISI and PLS: the first column with a value wins (an empty
// SYS, ISI or PLS field gives none); the other numbers and POL: the last one does. Never fails; the
// record says whether it is valid. Whatever `record` held before is replaced; the storage of its
// texts is reused, so that a record dropped by the reader can take the next line without allocating
// again.
void ParseChannelRecord(const ChannelColumns& columns, const CsvFields& fields,
                        ChannelRecord& record);

}  // namespace orvalen
