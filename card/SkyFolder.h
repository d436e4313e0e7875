// A sky from a folder of plan files, so that a user can rehearse a dish they know and a test can
// use a sky the program was not written against: a file whose name starts with "A-", "B-", "C-"
// or "D-" and ends in ".csv" is the satellite at that DiSEqC position, in the format of the
// built-in plans (SatellitePlan.h); a position without a file has no satellite. Other files are
// left alone.
//
// Pure but for reading the folder; any thread.
#pragma once

#include <optional>
#include <string>

#include "card/Sky.h"

namespace card {

// The sky of `folder`, or none with `error` one line naming the file and line at fault (or the
// folder, or the two files that claim one position).
std::optional<Sky> ReadSkyFolder(const std::string& folder, std::string& error);

}  // namespace card
