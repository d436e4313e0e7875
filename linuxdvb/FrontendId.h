// Which frontend of which adapter: /dev/dvb/adapterA/frontendF, and the text form the command
// line uses to order them ("adapter1/frontend0,adapter0/frontend0").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace linuxdvb {

struct FrontendId {
    int adapter = 0;
    int frontend = 0;
    friend auto operator<=>(const FrontendId&, const FrontendId&) = default;
};

// "adapterA/frontendF" for the id.
std::string FrontendName(const FrontendId& id);

// A comma-separated list of "adapterA/frontendF" (decimal numbers, no spaces, no repeats);
// nothing when the text is not one.
std::optional<std::vector<FrontendId>> ParseFrontendOrder(std::string_view text);

}  // namespace linuxdvb
