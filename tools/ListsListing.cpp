#include "tools/ListsListing.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "channels/ChannelList.h"
#include "channels/SatelliteList.h"
#include "channels/Utf.h"

namespace orvalen {

namespace {

// First command id of the channel menu items; each slot has a block of 1000.
constexpr int kChannelCommandBase = 10000;
constexpr int kChannelCommandsPerSlot = 1000;

// Writes "FILE:LINE: dropped (WHY): TEXT" for each dropped line of one file.
class DropReporter final : public ListReadObserver {
public:
    DropReporter(std::ostream* out, std::string fileName)
        : out_(out), fileName_(std::move(fileName)) {}

    void TableUnread(std::string_view why) override {
        *out_ << fileName_ << ": no table: " << why << '\n';
    }
    void LineDropped(const CsvLine& line, std::string_view why) override {
        std::u16string_view text = line.text;
        if (!text.empty() && text.back() == u'\n') text.remove_suffix(1);
        *out_ << fileName_ << ':' << line.number << ": dropped (" << why << "): " << ToUtf8(text)
              << '\n';
    }

private:
    std::ostream* out_;
    std::string fileName_;
};

// Appends each value as a tab and its decimal digits.
void AppendFields(std::string& line, std::initializer_list<long long> values) {
    for (const long long value : values) {
        line += '\t';
        line += std::to_string(value);
    }
}

}  // namespace

void WriteListsListing(std::ostream& out, std::ostream* why) {
    // The loaders hear of nothing unless reasons were asked for.
    const auto observer = [why](DropReporter& reporter) -> ListReadObserver* {
        return why ? &reporter : nullptr;
    };

    DropReporter satelliteWhy(why, "SatelliteList.csv");
    SatelliteList satellites = LoadSatelliteList(observer(satelliteWhy));

    std::string line;
    for (int slot = 0; slot < kSatelliteSlots; ++slot) {
        const int tuner = slot / kLnbSourcesPerTuner + 1;
        const int lnb = slot % kLnbSourcesPerTuner + 1;
        const SatelliteRecord* satellite = satellites.slots[slot].get();
        out << "slot " << slot << " tuner " << tuner << " lnb " << lnb;
        if (!satellite) {
            out << " none\n";
            continue;
        }
        const std::u16string& fileName = *satellite->channelListFile;
        out << " file " << ToUtf8(fileName) << '\n';

        DropReporter channelWhy(why, ToUtf8(fileName));
        ChannelList channels = LoadChannelList(fileName, observer(channelWhy));
        for (int index = 0; index < channels.count; ++index) {
            const ChannelRecord& c = *channels.records[index];
            line.clear();
            line += std::to_string(kChannelCommandBase + kChannelCommandsPerSlot * slot + index);
            line += '\t';
            line += ToUtf8(*c.name);
            AppendFields(line,
                         {c.frequencyKHz, c.symbolRate, c.polarisation, c.onid, c.tsid, c.sid});
            // A channel of a list without the stream columns keeps the listing it always had.
            if (c.system != kSystemEither || c.inputStreamId != -1 || c.plsCode != -1)
                AppendFields(line, {c.system, c.inputStreamId, c.plsCode});
            line += '\n';
            out << line;
        }
        FreeChannelList(channels);
    }
    FreeSatelliteList(satellites);
}

}  // namespace orvalen
