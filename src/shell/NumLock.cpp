#include "shell/NumLock.h"

#include <QGuiApplication>

#ifdef BOM_HAVE_X11
#include <X11/XKBlib.h>
#endif

namespace shell {

std::optional<bool> numLockOn() {
#ifdef BOM_HAVE_X11
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                            : nullptr) {
        unsigned int state = 0;
        if (x11->display() && XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &state) == 0)
            return (state & 0x02) != 0; // the second indicator is Num Lock on X servers
    }
#endif
    return std::nullopt;
}

} // namespace shell
