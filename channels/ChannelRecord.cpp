#include "channels/ChannelRecord.h"

#include <algorithm>
#include <cstddef>
#include <string>

namespace orvalen {

namespace {

using Column = ChannelColumns::Column;

// Sorting by length first keeps this to one or two comparisons per column.
Column ColumnOf(std::u16string_view name) {
    switch (name.size()) {
        case 2:
            if (ColumnNameIs(name, u"SR")) return Column::Sr;
            break;
        case 3:
            if (ColumnNameIs(name, u"SID")) return Column::Sid;
            if (ColumnNameIs(name, u"POL")) return Column::Pol;
            if (ColumnNameIs(name, u"SYS")) return Column::Sys;
            if (ColumnNameIs(name, u"ISI")) return Column::Isi;
            if (ColumnNameIs(name, u"PLS")) return Column::Pls;
            break;
        case 4:
            if (ColumnNameIs(name, u"NAME")) return Column::Name;
            if (ColumnNameIs(name, u"FREQ")) return Column::Freq;
            if (ColumnNameIs(name, u"ONID")) return Column::Onid;
            if (ColumnNameIs(name, u"TSID")) return Column::Tsid;
            break;
        case 7:
            if (ColumnNameIs(name, u"Comment")) return Column::Comment;
            break;
        default:
            break;
    }
    return Column::Other;
}

std::int32_t PolarisationOf(char16_t first, std::int32_t unchanged) {
    switch (first) {
        case u'H':
        case u'h':
            return kPolarisationHorizontal;
        case u'V':
        case u'v':
            return kPolarisationVertical;
        case u'L':
        case u'l':
            return kPolarisationCircularLeft;
        case u'R':
        case u'r':
            return kPolarisationCircularRight;
        default:
            return unchanged;
    }
}

// Any value but the two systems' names leaves the choice to the tuner.
std::int32_t SystemOf(std::u16string_view value) {
    if (ColumnNameIs(value, u"DVB-S")) return kSystemDvbs;
    if (ColumnNameIs(value, u"DVB-S2")) return kSystemDvbs2;
    return kSystemEither;
}

// Sets `text` to `value`, in the storage it already has when it holds a text.
void SetText(std::optional<std::u16string>& text, std::u16string_view value) {
    if (text) {
        text->assign(value);
    } else {
        text.emplace(value);
    }
}

}  // namespace

ChannelColumns::ChannelColumns(std::span<const std::u16string_view> names, int columnCount)
    : count_(std::min({columnCount < 0 ? std::size_t{0} : static_cast<std::size_t>(columnCount),
                       names.size(), columns_.size()})) {
    for (std::size_t i = 0; i < count_; ++i) columns_[i] = ColumnOf(names[i]);
}

void ParseChannelRecord(const ChannelColumns& columns, const CsvFields& fields,
                        ChannelRecord& record) {
    // Every value is reset but the texts, which keep their storage until the line has been
    // read: a line without them leaves them unset at the end.
    record.frequencyKHz = 0;
    record.symbolRate = 0;
    record.onid = record.tsid = record.sid = -1;
    record.polarisation = kPolarisationNotSet;
    record.system = kSystemEither;
    record.inputStreamId = record.plsCode = -1;
    bool named = false;
    bool commented = false;
    bool systemGiven = false;
    bool streamGiven = false;
    bool plsGiven = false;
    // The first column of a kind with a value wins; an empty field is no value.
    const auto first = [](bool& given, std::u16string_view value) {
        if (given || value.empty()) return false;
        given = true;
        return true;
    };

    const std::span<const Column> kinds = columns.columns();
    fields.ForEach(kinds.size(), [&](std::size_t i, std::u16string_view value) {
        switch (kinds[i]) {
            case Column::Name:
                if (!named) SetText(record.name, value);
                named = true;
                break;
            case Column::Comment:
                if (!commented) SetText(record.comment, value);
                commented = true;
                break;
            case Column::Freq: {
                std::uint32_t frequency = static_cast<std::uint32_t>(ParseDecimalInt32(value));
                if (frequency < kFrequencyKHzThreshold) frequency *= 1000;  // given in MHz
                record.frequencyKHz = frequency;
                break;
            }
            case Column::Sr:
                record.symbolRate = ParseDecimalInt32(value);
                break;
            case Column::Onid:
                record.onid = ParseDecimalInt32(value);
                break;
            case Column::Tsid:
                record.tsid = ParseDecimalInt32(value);
                break;
            case Column::Sid:
                record.sid = ParseDecimalInt32(value);
                break;
            case Column::Pol:
                if (!value.empty()) {
                    record.polarisation = PolarisationOf(value.front(), record.polarisation);
                }
                break;
            case Column::Sys:
                if (first(systemGiven, value)) record.system = SystemOf(value);
                break;
            case Column::Isi:
                if (first(streamGiven, value)) record.inputStreamId = ParseDecimalInt32(value);
                break;
            case Column::Pls:
                if (first(plsGiven, value)) record.plsCode = ParseDecimalInt32(value);
                break;
            case Column::Other:
                break;
        }
    });
    if (!named) record.name.reset();
    if (!commented) record.comment.reset();
    record.valid = record.frequencyKHz != 0 && record.name && record.symbolRate != 0 &&
                   record.polarisation != kPolarisationNotSet &&
                   IsInputStreamIdOrNone(record.inputStreamId) && IsPlsCodeOrNone(record.plsCode);
}

}  // namespace orvalen
