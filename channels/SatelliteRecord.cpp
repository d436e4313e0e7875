#include "channels/SatelliteRecord.h"

#include <algorithm>
#include <cstddef>

namespace orvalen {

std::unique_ptr<SatelliteRecord> ParseSatelliteRecord(std::span<const std::u16string_view> names,
                                                      const CsvFields& fields, int columnCount) {
    auto record = std::make_unique<SatelliteRecord>();
    const std::size_t columns = std::min(
        {columnCount < 0 ? std::size_t{0} : static_cast<std::size_t>(columnCount), names.size()});
    fields.ForEach(columns, [&names, &record](std::size_t i, std::u16string_view value) {
        const std::u16string_view name = names[i];
        if (ColumnNameIs(name, u"NAME")) {
            if (!record->name) record->name.emplace(value);
        } else if (ColumnNameIs(name, u"Comment")) {
            if (!record->comment) record->comment.emplace(value);
        } else if (ColumnNameIs(name, u"ChannelList")) {
            if (!record->channelListFile) record->channelListFile.emplace(value);
        } else if (ColumnNameIs(name, u"Tuner")) {
            record->tuner = ParseDecimalInt32(value);
        } else if (ColumnNameIs(name, u"LNBSource")) {
            record->lnbSource = ParseDecimalInt32(value);
        }
    });
    record->valid = record->name && record->channelListFile &&
                    (record->tuner == 1 || record->tuner == 2) && record->lnbSource >= 1 &&
                    record->lnbSource <= 4;
    return record;
}

}  // namespace orvalen
