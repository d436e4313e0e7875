#include "channels/SatelliteList.h"

#include <string>
#include <string_view>
#include <utility>

namespace orvalen {

namespace {

std::string WhyDropped(const SatelliteRecord& record) {
    if (record.valid) return "slot taken";
    std::string why;
    const auto add = [&why](const char* reason) {
        if (!why.empty()) why += ", ";
        why += reason;
    };
    if (!record.name) add("no NAME");
    if (!record.channelListFile) add("no ChannelList");
    if (record.tuner != 1 && record.tuner != 2) add("bad tuner");
    if (record.lnbSource < 1 || record.lnbSource > 4) add("bad LNB source");
    return why;
}

template <typename Source>
SatelliteList LoadFrom(const Source& source, ListReadObserver* why) {
    SatelliteList list;
    LoadCsvTable(
        source, ParseSatelliteRecord,
        [&list, why](std::unique_ptr<SatelliteRecord> record, const CsvLine& line) {
            if (record->valid) {
                auto& slot = list.slots[SatelliteSlot(record->tuner, record->lnbSource)];
                if (!slot) {
                    slot = std::move(record);
                    return;
                }
            }
            if (why) why->LineDropped(line, WhyDropped(*record));
        },
        why);
    return list;
}

}  // namespace

SatelliteList LoadSatelliteList(ListReadObserver* why) {
    return LoadFrom(std::u16string_view(u"SatelliteList.csv"), why);
}

SatelliteList LoadSatelliteListFromBytes(std::span<const std::uint8_t> bytes,
                                         ListReadObserver* why) {
    return LoadFrom(bytes, why);
}

void FreeSatelliteList(SatelliteList& list) {
    for (auto& record : list.slots) record.reset();
}

}  // namespace orvalen
