// Which transport stream a demodulator locked to a carrier delivers: the system, input stream
// and scrambling code of the tune must be the carrier's. Pure; any thread.
#pragma once

#include "card/Sky.h"
#include "cardkit/TuningSettings.h"

namespace card {

// The stream of `carrier` that `settings` receive, or none (no lock) when the system named is
// not the carrier's, when a multistream carrier has no stream of the id asked for, or when the
// code asked for (the default sequence, 0, when none is) is not the stream's. Without a stream
// id a multistream carrier gives its first stream; a single-stream carrier gives its one
// stream whatever the id, as a demodulator filters input streams only on a multistream signal.
const Transponder* ReceivedStream(const Transponder& carrier,
                                  const cardkit::TuningSettings& settings);

}  // namespace card
