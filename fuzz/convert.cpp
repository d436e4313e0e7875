// Other programs' channel files of arbitrary bytes, read as a dvbv5 channel file and as a VDR
// channels.conf. Whatever they give is written as a channel list, which the program's reader
// must give back with the same tuning values, and exported to both formats again.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "channels/ChannelList.h"
#include "channels/ChannelListWriter.h"
#include "channels/Dvbv5ChannelFile.h"
#include "channels/VdrChannelsConf.h"

namespace {

bool SameTuning(const orvalen::ChannelRecord& a, const orvalen::ChannelRecord& b) {
    return a.symbolRate == b.symbolRate && a.polarisation == b.polarisation && a.onid == b.onid &&
           a.tsid == b.tsid && a.sid == b.sid && a.system == b.system &&
           a.inputStreamId == b.inputStreamId && a.plsCode == b.plsCode;
}

void WriteAndReadBack(const std::vector<orvalen::ChannelRecord>& channels) {
    orvalen::ConversionNotes notes;
    const orvalen::ChannelListText text = orvalen::WriteChannelList(channels, notes);
    const orvalen::ChannelList back = orvalen::LoadChannelListFromBytes(
        std::span(reinterpret_cast<const std::uint8_t*>(text.bytes.data()), text.bytes.size()));
    if (back.count != text.written) __builtin_trap();
    for (int i = 0; i < back.count; ++i) {
        if (!SameTuning(*back.records[i], channels[static_cast<std::size_t>(i)])) {
            __builtin_trap();
        }
    }
    (void)orvalen::WriteDvbv5ChannelFile(channels, notes);
    (void)orvalen::WriteVdrChannelsConf(channels, "S19.2E", notes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    orvalen::ConversionNotes notes;
    (void)orvalen::IsDvbv5ChannelFile(text);
    WriteAndReadBack(orvalen::ReadDvbv5ChannelFile(text, notes));
    WriteAndReadBack(orvalen::ReadVdrChannelsConf(text, notes));
    return 0;
}
