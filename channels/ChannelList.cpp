#include "channels/ChannelList.h"

#include <optional>
#include <string>
#include <utility>

namespace orvalen {

namespace {

std::string WhyInvalid(const ChannelRecord& record) {
    std::string why;
    const auto add = [&why](const char* reason) {
        if (!why.empty()) why += ", ";
        why += reason;
    };
    if (!record.name) add("no NAME");
    if (record.frequencyKHz == 0) add("no FREQ");
    if (record.symbolRate == 0) add("SR 0");
    if (record.polarisation == kPolarisationNotSet) add("no POL");
    if (!IsInputStreamIdOrNone(record.inputStreamId)) add("ISI out of range");
    if (!IsPlsCodeOrNone(record.plsCode)) add("PLS out of range");
    return why;
}

template <typename Source>
ChannelList LoadFrom(const Source& source, ListReadObserver* why) {
    ChannelList list;
    std::optional<ChannelColumns> columns;  // the header's, the same for every line
    // A record that was not kept takes the next line, with the storage of its texts: a long
    // list past its 100 channels costs no allocations.
    std::unique_ptr<ChannelRecord> spare;
    LoadCsvTable(
        source,
        [&columns, &spare](std::span<const std::u16string_view> names, const CsvFields& fields,
                           int columnCount) {
            if (!columns) columns.emplace(names, columnCount);
            std::unique_ptr<ChannelRecord> record =
                spare ? std::move(spare) : std::make_unique<ChannelRecord>();
            ParseChannelRecord(*columns, fields, *record);
            return record;
        },
        [&list, &spare, why](std::unique_ptr<ChannelRecord> record, const CsvLine& line) {
            if (record->valid && list.count < kMaxChannels) {
                list.records[list.count++] = std::move(record);
                return;
            }
            if (why) why->LineDropped(line, record->valid ? "past 100" : WhyInvalid(*record));
            spare = std::move(record);
        },
        why);
    return list;
}

}  // namespace

ChannelList LoadChannelList(std::u16string_view fileName, ListReadObserver* why) {
    return LoadFrom(fileName, why);
}

ChannelList LoadChannelListFromBytes(std::span<const std::uint8_t> bytes, ListReadObserver* why) {
    return LoadFrom(bytes, why);
}

void FreeChannelList(ChannelList& list) {
    for (auto& record : list.records) record.reset();
    list.count = 0;
}

}  // namespace orvalen
