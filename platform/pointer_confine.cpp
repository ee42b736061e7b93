#include "platform/pointer_confine.h"

#include "platform/desktop.h"
#include "platform/wayland_desktop.h"

#include <QGuiApplication>
#include <QWindow>

namespace platform {

std::unique_ptr<PointerConfine> CreateX11PointerConfine(void* display);

namespace {

// Asks the compositor to keep the pointer inside the window.
class WaylandPointerConfine final : public PointerConfine {
public:
    explicit WaylandPointerConfine(WaylandDesktop* desktop) : desktop_(desktop) {}

    PointerGrab Grab(uintptr_t window) override
    {
        if (!desktop_->offersPointerConstraints() || !desktop_->HasPointer())
            return PointerGrab::Failed;
        for (QWindow* w : QGuiApplication::allWindows())
            if (w->handle() && static_cast<uintptr_t>(w->winId()) == window)
                return desktop_->setPointerConfined(w) ? PointerGrab::Grabbed : PointerGrab::NotViewable;
        return PointerGrab::Failed;
    }

    void Release() override { desktop_->setPointerConfined(nullptr); }

private:
    WaylandDesktop* desktop_;
};

} // namespace

std::unique_ptr<PointerConfine> CreatePointerConfine(const Desktop& desktop)
{
    switch (desktop.kind()) {
    case Desktop::Kind::X11:
        return CreateX11PointerConfine(desktop.xDisplay());
    case Desktop::Kind::Wayland:
        return std::make_unique<WaylandPointerConfine>(desktop.wayland());
    case Desktop::Kind::None:
        break;
    }
    return std::make_unique<NullPointerConfine>();
}

} // namespace platform
