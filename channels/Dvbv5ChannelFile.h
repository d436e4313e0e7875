// The channel files of the kernel's DVB tools (dvbv5-scan writes them, dvbv5-zap reads them):
// an entry per service, opened by "[name]" and followed by "KEY = VALUE" lines, keys in any
// letter case, "#" starting a remark.
//
// Read: DVB-S and DVB-S2 entries become channels with DELIVERY_SYSTEM (none given: either
// system), FREQUENCY (kHz), POLARIZATION, SYMBOL_RATE (symbol/s, rounded to ksymbol/s),
// SERVICE_ID, NETWORK_ID, TRANSPORT_ID, STREAM_ID and SCRAMBLING_SEQUENCE_INDEX. An entry of
// another delivery system, or one whose values do not parse or are missing, is left out and
// said with its line. The LNB keys (LNB, SAT_NUMBER, DISEQC_WAIT, FREQ_BPF) are said once and
// ignored, as the program takes the LNB and the DiSEqC position from its satellite list; the
// other keys (PIDs, FEC, modulation, roll-off, pilot, inversion) are left to the tuner.
//
// Pure functions; any thread.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "channels/ChannelRecord.h"
#include "channels/ConversionNotes.h"

namespace orvalen {

// Whether `text` is such a file: its first line that is neither blank nor a remark opens an
// entry.
bool IsDvbv5ChannelFile(std::string_view text);

// The channels of `text`, in file order; what is left out or changed is added to `notes`, each
// line starting with the file's line number and ": ".
std::vector<ChannelRecord> ReadDvbv5ChannelFile(std::string_view text, ConversionNotes& notes);

// `channels` as such a file, for dvbv5-zap. A scrambling code goes to SCRAMBLING_SEQUENCE_INDEX,
// the name the tools give the kernel's property; tools built before the kernel had it skip the key,
// as they skip any key they do not know. A channel without a system gets no DELIVERY_SYSTEM
// (the tools then use the frontend's current one), said once; a name's line breaks and "]"
// cannot stand in an entry's opening line and are replaced, said.
std::string WriteDvbv5ChannelFile(std::span<const ChannelRecord> channels, ConversionNotes& notes);

}  // namespace orvalen
