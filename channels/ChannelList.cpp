#include "channels/ChannelList.h"

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
    return why;
}

template <typename Source>
ChannelList LoadFrom(const Source& source, ListReadObserver* why) {
    ChannelList list;
    LoadCsvTable(
        source, ParseChannelRecord,
        [&list, why](std::unique_ptr<ChannelRecord> record, const CsvLine& line) {
            if (record->valid && list.count < kMaxChannels) {
                list.records[list.count++] = std::move(record);
            } else if (why) {
                why->LineDropped(line, record->valid ? "past 100" : WhyInvalid(*record));
            }
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
