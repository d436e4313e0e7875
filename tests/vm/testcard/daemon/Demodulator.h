// What the test card's demodulator delivers of a carrier for a tune the kernel passed on: the
// system, input stream and physical-layer scrambling code of the request against the carrier's,
// as card::ReceivedStream decides them for the simulated card. Pure; any thread.
#pragma once

#include "../kcard_uapi.h"
#include "card/Sky.h"

namespace testcard {

// The transport stream of `carrier` that `request` locks to, or none when the request's system,
// stream id or gold code is not one the carrier has. A stream id of NO_STREAM_ID_FILTER asks for
// none; otherwise the demodulator reads its low 8 bits, the input stream id of DVB-S2.
const card::Transponder* Demodulate(const card::Transponder& carrier, const kcard_tune& request);

}  // namespace testcard
