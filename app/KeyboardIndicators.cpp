#include "app/KeyboardIndicators.h"

#include <QGuiApplication>

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
    // The keyboard's indicators by name, since their indices differ between keymaps.
    const auto lit = [display](const char* name) {
        Bool on = False;
        const Atom atom = XInternAtom(display, name, True);
        return atom != 0 && XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr) &&
               on;
    };
    return KeyboardLocks{lit("Caps Lock"), lit("Num Lock"), lit("Scroll Lock")};
#else
    return std::nullopt;
#endif
}
