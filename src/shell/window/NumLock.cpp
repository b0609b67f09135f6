#include "shell/window/NumLock.h"

#include <QGuiApplication>

#ifdef BOM_HAVE_X11
#include <X11/XKBlib.h>
#endif

namespace shell {

std::optional<bool> numLockOn() {
#ifdef BOM_HAVE_X11
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                            : nullptr) {
        // Looked up by name: which indicator bit is Num Lock depends on the keymap.
        Display* display = x11->display();
        Bool on = False;
        if (display &&
            XkbGetNamedIndicator(display, XInternAtom(display, "Num Lock", False), nullptr, &on,
                                 nullptr, nullptr))
            return on != False;
    }
#endif
    return std::nullopt;
}

} // namespace shell
