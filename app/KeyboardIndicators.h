// The state of the keyboard's lock keys, for the status bar's CAP, NUM and SCRL panes.
#pragma once

#include <optional>

struct KeyboardLocks {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// The lock keys as the display server reports them (X11); empty on a platform that does not
// report them (Wayland, offscreen), where the panes stay unlit. User-interface thread only: it
// keeps what it learnt of the display between calls.
std::optional<KeyboardLocks> ReadKeyboardLocks();
