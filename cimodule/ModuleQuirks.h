// The ways a simulated module can behave like the real modules a host meets, chosen by a string
// such as "late=1500,stray-after-reset,count-ff" (or "all"), so that the same module runs in the
// tests, behind orvalen-cam --simulated and in the test card's daemon.
//
//   late=MS            answers each create_t_c MS milliseconds late
//   stray-after-open   answers the create twice
//   stray-after-reset  leaves a unit of the old connection behind each reset
//   several-per-read   hands over everything it holds in one read
//   chain=BYTES        cuts units longer than BYTES into T_DATA_MORE chains (and menus into
//                      _more parts)
//   profile-first      asks for the host's profile before answering the host's enquiry
//   ai-v3              opens application information version 3 (as CI Plus modules do)
//   count-ff           leaves the item count of menus and lists out (0xFF)
//   fresh-mmi          opens a fresh MMI session for each dialogue and closes it at the end
//   keep-connection    keeps its connection and sessions when the host creates the connection
//                      again without a reset (after the host's program started again, or gave
//                      up on a connection that fell silent): it answers the create and waits
//                      on sessions the host no longer knows
//   remove-in-dialogue is pulled out of the slot when the host first answers one of its menus
//                      (and stays out until put back): not part of "all", whose dialogue must
//                      reach the PIN enquiry
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace linuxdvb::en50221 {

struct ModuleQuirks {
    std::chrono::milliseconds lateCreateReply{0};
    bool strayAfterOpen = false;
    bool strayAfterReset = false;
    bool severalPerRead = false;
    std::size_t chainBytes = 0;  // 0: units go whole
    bool profileFirst = false;
    bool applicationVersion3 = false;
    bool countNotGiven = false;
    bool freshMmiSession = false;
    bool keepConnection = false;
    bool removeInDialogue = false;
};

// Every quirk at once ("all") but the removal, with a create reply 1500 ms late and chains of 16
// bytes.
ModuleQuirks AllQuirks();

// The quirks named in `text` (comma-separated; empty: none). None, with `error` set to the
// offending part, when a name is unknown or a value is not a number.
std::optional<ModuleQuirks> ParseModuleQuirks(std::string_view text, std::string* error);

}  // namespace linuxdvb::en50221
