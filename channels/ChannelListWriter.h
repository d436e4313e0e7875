// Writes channels as a channel list file in the program's own dialect, so that the program's
// reader gives back exactly what was written: NAME, FREQ (MHz when whole), POL, SR, ONID, TSID
// and SID, then SYS, ISI and PLS only when some channel gives them, and Comment last.
//
// What the reader could not hold is changed so that it can, and said: a line break in a text
// becomes a blank, a double quote in a text that must be quoted (it holds a comma or starts with
// a quote) becomes an apostrophe, and a line longer than the reader's line buffer has its
// comment, then its name, shortened. A channel that the reader would drop (no name, frequency,
// symbol rate or polarisation; a stream id or code out of range) is left out and said, and so
// are the channels past the 100 a list holds, counted in one line.
//
// Pure function; any thread.
#pragma once

#include <span>
#include <string>

#include "channels/ChannelRecord.h"
#include "channels/ConversionNotes.h"

namespace orvalen {

struct ChannelListText {
    std::string bytes;  // UTF-8, LF line ends, the header first
    int written = 0;    // channels in `bytes`
};

ChannelListText WriteChannelList(std::span<const ChannelRecord> channels, ConversionNotes& notes);

}  // namespace orvalen
