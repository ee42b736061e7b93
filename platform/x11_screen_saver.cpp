#include "platform/x11_screen_saver.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace platform::xss {

bool Suspend(void* display)
{
    auto* dpy = static_cast<Display*>(display);
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XScreenSaverQueryExtension(dpy, &eventBase, &errorBase)
        || !XScreenSaverQueryVersion(dpy, &major, &minor)
        || major < 1 || (major == 1 && minor < 1))
        return false;
    XScreenSaverSuspend(dpy, True);
    // Qt reads and writes this connection through XCB; the request must not
    // wait in Xlib's buffer.
    XFlush(dpy);
    return true;
}

void Resume(void* display)
{
    auto* dpy = static_cast<Display*>(display);
    XScreenSaverSuspend(dpy, False);
    XFlush(dpy);
}

} // namespace platform::xss
