#include "x_saver_probe.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace {

Display* Dpy(void* display) { return static_cast<Display*>(display); }

} // namespace

XSaverProbe::XSaverProbe() : display_(XOpenDisplay(nullptr)) {}

XSaverProbe::~XSaverProbe()
{
    if (display_)
        XCloseDisplay(Dpy(display_));
}

bool XSaverProbe::CanQuery() const
{
    int eventBase = 0;
    int errorBase = 0;
    return XScreenSaverQueryExtension(Dpy(display_), &eventBase, &errorBase);
}

void XSaverProbe::SetTimeout(int seconds)
{
    XSetScreenSaver(Dpy(display_), seconds, 0, DefaultBlanking, DefaultExposures);
    XSync(Dpy(display_), False);
}

void XSaverProbe::Reset()
{
    XForceScreenSaver(Dpy(display_), ScreenSaverReset);
    XSync(Dpy(display_), False);
}

bool XSaverProbe::SaverOn() const
{
    Display* dpy = Dpy(display_);
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (!info)
        return false;
    const bool on = XScreenSaverQueryInfo(dpy, XDefaultRootWindow(dpy), info) && info->state == ScreenSaverOn;
    XFree(info);
    return on;
}
