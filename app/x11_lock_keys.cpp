// The lock lights of the X server's core keyboard, by indicator name. Kept apart
// from the rest of the program: the X headers define macros (KeyPress, None,
// Bool) that clash with Qt's names.
#include <QtGui/qguiapplication_platform.h>

#include <QGuiApplication>

#include "app/keyboard_indicators.h"

// Last, after every Qt header.
#include <X11/XKBlib.h>

namespace tarnevo::app {

namespace {

bool IndicatorOn(Display* display, const char* name) {
    const Atom atom = XInternAtom(display, name, True);
    if (atom == 0) return false;
    int on = 0;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) return false;
    return on != 0;
}

}  // namespace

std::optional<LockKeyState> QueryPlatformLockKeys() {
    auto* x11 = qGuiApp == nullptr ? nullptr : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->display() == nullptr) return std::nullopt;
    Display* display = x11->display();
    LockKeyState state;
    state.capsLock = IndicatorOn(display, "Caps Lock");
    state.numLock = IndicatorOn(display, "Num Lock");
    state.scrollLock = IndicatorOn(display, "Scroll Lock");
    return state;
}

}  // namespace tarnevo::app
