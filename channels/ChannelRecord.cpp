#include "channels/ChannelRecord.h"

#include <algorithm>
#include <cstddef>

namespace orvalen {

namespace {

enum class Column { Other, Name, Comment, Freq, Sr, Onid, Tsid, Sid, Pol };

// Sorting by length first keeps this to one or two comparisons per column of every line.
Column ColumnOf(std::u16string_view name) {
    switch (name.size()) {
        case 2:
            if (ColumnNameIs(name, u"SR")) return Column::Sr;
            break;
        case 3:
            if (ColumnNameIs(name, u"SID")) return Column::Sid;
            if (ColumnNameIs(name, u"POL")) return Column::Pol;
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

}  // namespace

std::unique_ptr<ChannelRecord> ParseChannelRecord(std::span<const std::u16string_view> names,
                                                  std::span<const CsvField> values,
                                                  int columnCount) {
    auto record = std::make_unique<ChannelRecord>();
    const std::size_t columns =
        std::min({columnCount < 0 ? std::size_t{0} : static_cast<std::size_t>(columnCount),
                  names.size(), values.size()});
    for (std::size_t i = 0; i < columns; ++i) {
        if (!values[i]) continue;
        const std::u16string_view value = *values[i];
        switch (ColumnOf(names[i])) {
            case Column::Name:
                if (!record->name) record->name.emplace(value);
                break;
            case Column::Comment:
                if (!record->comment) record->comment.emplace(value);
                break;
            case Column::Freq: {
                std::uint32_t frequency = static_cast<std::uint32_t>(ParseDecimalInt32(value));
                if (frequency < kFrequencyKHzThreshold) frequency *= 1000;  // given in MHz
                record->frequencyKHz = frequency;
                break;
            }
            case Column::Sr:
                record->symbolRate = ParseDecimalInt32(value);
                break;
            case Column::Onid:
                record->onid = ParseDecimalInt32(value);
                break;
            case Column::Tsid:
                record->tsid = ParseDecimalInt32(value);
                break;
            case Column::Sid:
                record->sid = ParseDecimalInt32(value);
                break;
            case Column::Pol:
                if (!value.empty()) {
                    record->polarisation = PolarisationOf(value.front(), record->polarisation);
                }
                break;
            case Column::Other:
                break;
        }
    }
    record->valid = record->frequencyKHz != 0 && record->name && record->symbolRate != 0 &&
                    record->polarisation != kPolarisationNotSet;
    return record;
}

}  // namespace orvalen
