// VDR's channels.conf: one channel a line, fields separated by colons (name, frequency in MHz,
// parameters, source, symbol rate in ksymbol/s, PIDs, CA ids, SID, NID, TID, RID); a line that
// starts with a colon names a group.
//
// Read: satellite lines (source "S...") become channels. The name field "name,short;provider"
// gives the NAME (the long name, with VDR's "|" turned back into ":"; the short name is
// dropped) and the provider goes to the Comment. The parameters give the polarisation (H, V, L,
// R), the system (S0 DVB-S, S1 DVB-S2; none: either, which the tuner tries in turn) and the
// input stream id (P); FEC, modulation, roll-off and any letter a plugin adds are left to the
// tuner. NID, TID and SID give ONID, TSID and SID, 0 meaning not given. The source itself is said
// once and ignored, as the program takes the LNB and the DiSEqC position from its satellite list.
// Another source, or a line whose values do not parse, is left out and said with its line.
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

// The channels of `text`, in file order; what is left out or changed is added to `notes`, each
// line starting with the file's line number and ": ".
std::vector<ChannelRecord> ReadVdrChannelsConf(std::string_view text, ConversionNotes& notes);

// `channels` as channels.conf lines of the source `source` (such as "S19.2E"), with no PIDs
// (VDR finds them when it tunes) and no provider. A name's ":" is written as VDR's "|"; a name
// holding a comma gets an empty short name, so that VDR keeps it whole. What VDR cannot hold (a
// ";" or "|" in a name, a scrambling code, a frequency that is not whole MHz) is said.
std::string WriteVdrChannelsConf(std::span<const ChannelRecord> channels, std::string_view source,
                                 ConversionNotes& notes);

}  // namespace orvalen
