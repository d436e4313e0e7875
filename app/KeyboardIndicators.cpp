#include "app/KeyboardIndicators.h"

#include <QGuiApplication>
#include <algorithm>
#include <iterator>

#ifdef ORVALEN_HAVE_X11
// Last: Xlib defines macros (None, Bool, Status) that clash with Qt's names.
#include <X11/XKBlib.h>
#endif

std::optional<KeyboardLocks> ReadKeyboardLocks() {
#ifdef ORVALEN_HAVE_X11
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return std::nullopt;
    // The keyboard's indicators by name, since their indices differ between keymaps. A name's
    // atom, once the server has one, stays the same for the connection's life, so it is asked
    // for only until then: the panes are read ten times a second.
    static Display* atomsOf = nullptr;
    static Atom atoms[3] = {};
    if (atomsOf != display) {
        atomsOf = display;
        std::fill(std::begin(atoms), std::end(atoms), Atom{0});
    }
    const auto lit = [display](const char* name, Atom& atom) {
        if (atom == 0) atom = XInternAtom(display, name, True);
        Bool on = False;
        return atom != 0 && XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr) &&
               on;
    };
    return KeyboardLocks{lit("Caps Lock", atoms[0]), lit("Num Lock", atoms[1]),
                         lit("Scroll Lock", atoms[2])};
#else
    return std::nullopt;
#endif
}
