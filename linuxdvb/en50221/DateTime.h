// The date-time object the host sends a module: the modified Julian date and the UTC time in
// binary-coded decimal, then the local offset in minutes.
#pragma once

#include <ctime>

#include "linuxdvb/en50221/Bytes.h"

namespace linuxdvb::en50221 {

// The 7-byte body for `utc`, with `offsetMinutes` as local time minus UTC.
Bytes DateTimeBody(std::time_t utc, int offsetMinutes);

// The same for the machine's clock and time zone now.
Bytes DateTimeBodyNow();

}  // namespace linuxdvb::en50221
