// The MPEG-2 demultiplexer (CLSID_MPEG2Demultiplexer): one input "MPEG-2 Stream" and a fixed
// set of seven outputs, each of which passes the whole stream on to what it is connected to.
#pragma once

#include "platform/FilterBase.h"

class Mpeg2Demultiplexer : public FilterBase {
public:
    static constexpr int kOutputCount = 7;
    Mpeg2Demultiplexer();
};
