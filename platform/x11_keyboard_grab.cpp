#include "platform/x11_keyboard_grab.h"

#include <X11/Xlib.h>

namespace platform::xgrab {

GrabResult GrabKeyboard(void* display)
{
    auto* dpy = static_cast<Display*>(display);
    const int status = XGrabKeyboard(dpy, XDefaultRootWindow(dpy), True, GrabModeAsync,
                                     GrabModeAsync, CurrentTime);
    switch (status) {
    case GrabSuccess: return GrabResult::Grabbed;
    case AlreadyGrabbed: return GrabResult::Busy;
    case GrabFrozen: return GrabResult::Frozen;
    default: return GrabResult::Failed;
    }
}

void UngrabKeyboard(void* display)
{
    auto* dpy = static_cast<Display*>(display);
    XUngrabKeyboard(dpy, CurrentTime);
    // A round trip, so that the keyboard is free for others on return.
    XSync(dpy, False);
}

} // namespace platform::xgrab
