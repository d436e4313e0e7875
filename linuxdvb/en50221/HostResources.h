// The resources this host offers a module, as its profile lists them, with the newest version of
// each it accepts a session for.
#pragma once

#include <cstdint>

#include "linuxdvb/en50221/Apdu.h"

namespace linuxdvb::en50221 {

struct OfferedResource {
    std::uint32_t id;             // as listed in the host's profile
    std::uint32_t newestVersion;  // sessions of versions 1 to this are accepted
};

// Application information up to version 3: modules of the later specifications ask for it and
// fail to start without it; the host speaks what they add (data rate, reset request).
inline constexpr OfferedResource kHostResources[] = {
    {kResourceManager, 1},
    {kApplicationInformation, 3},
    {kConditionalAccessSupport, 1},
    {kDateTimeResource, 1},
    {kMmiResource, 1},
};

}  // namespace linuxdvb::en50221
