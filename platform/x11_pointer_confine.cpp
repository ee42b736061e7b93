#include "platform/pointer_confine.h"


#include <X11/Xlib.h>

namespace platform {

namespace {

// An active pointer grab on the window, confined to it, all pointer events
// reported to it alone.
class X11PointerConfine final : public PointerConfine {
public:
    explicit X11PointerConfine(Display* display) : display_(display) {}
    ~X11PointerConfine() override { Release(); }

    PointerGrab Grab(uintptr_t window) override
    {
        if (!window)
            return PointerGrab::Failed;
        const unsigned mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
        const int status = XGrabPointer(display_, static_cast<Window>(window), False, mask, GrabModeAsync,
                                        GrabModeAsync, static_cast<Window>(window), 0L, CurrentTime);
        switch (status) {
        case GrabSuccess:
            held_ = true;
            return PointerGrab::Grabbed;
        case AlreadyGrabbed:
        case GrabFrozen:
            return PointerGrab::Busy;
        case GrabNotViewable:
            return PointerGrab::NotViewable;
        default:
            return PointerGrab::Failed;
        }
    }

    void Release() override
    {
        if (!held_)
            return;
        held_ = false;
        XUngrabPointer(display_, CurrentTime);
        // A round trip, so that the pointer is free for others on return.
        XSync(display_, False);
    }

private:
    Display* display_;
    bool held_ = false;
};

} // namespace

std::unique_ptr<PointerConfine> CreateX11PointerConfine(void* display)
{
    return std::make_unique<X11PointerConfine>(static_cast<Display*>(display));
}

} // namespace platform
