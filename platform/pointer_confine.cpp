#include "platform/pointer_confine.h"

#include "platform/wayland_desktop.h"

#include <QGuiApplication>
#include <QWindow>

namespace platform {

std::unique_ptr<PointerConfine> CreateX11PointerConfine();

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

std::unique_ptr<PointerConfine> CreatePointerConfine(WaylandDesktop* wayland)
{
    if (auto x11 = CreateX11PointerConfine())
        return x11;
    if (wayland)
        return std::make_unique<WaylandPointerConfine>(wayland);
    return std::make_unique<NullPointerConfine>();
}

} // namespace platform
