#include "platform/x11_keyboard_hook.h"

#include "hook/bimbalohook.h"
#include "platform/keyboard_hook_filter.h"
#include "platform/x11_keyboard_grab.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QObject>
#include <QWindow>

#include <xcb/xcb.h>

#include <bitset>
#include <chrono>
#include <thread>
#include <utility>

namespace platform {


// With the keyboard grabbed on the root window, a key meant for another
// client's window (one that took the input focus during the show) is reported
// to the root window, and Qt would drop it as meant for no window of ours.
// Such keys are handed to the program's modal window instead, so that the
// show still hears every key, Q U I T above all.
class X11KeyboardHook::RootKeys final : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        const uint8_t kind = event->response_type & 0x7F;
        if (kind != XCB_KEY_PRESS && kind != XCB_KEY_RELEASE)
            return false;
        // Press and release events share one layout.
        auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
        if (IsOurs(key->event))
            return false;
        QWindow* target = QGuiApplication::modalWindow();
        if (!target)
            target = QGuiApplication::focusWindow();
        if (!target || !target->handle())
            return false;
        key->event = static_cast<xcb_window_t>(target->winId());
        key->child = XCB_NONE;
        return false;
    }

private:
    static bool IsOurs(xcb_window_t window)
    {
        for (QWindow* w : QGuiApplication::allWindows())
            if (w->handle() && static_cast<xcb_window_t>(w->winId()) == window)
                return true;
        return false;
    }
};


X11KeyboardHook::X11KeyboardHook(VirtualKeyFn virtualKey, void* display)
    : virtualKey_(std::move(virtualKey)), connection_(display)
{
}

X11KeyboardHook::~X11KeyboardHook()
{
    // A hook still installed when the window goes away must not leave the
    // desktop without a keyboard; after the application has gone its X
    // connection, and the grab with it, are gone too.
    if (active_ && QCoreApplication::instance())
        Uninstall(active_);
}

KeyboardHookHandle X11KeyboardHook::Install(KeyboardHookProc procedure)
{
    problem_ = "the keyboard cannot be taken here";
    if (active_ || !procedure || !virtualKey_ || !qGuiApp)
        return 0;
    void* display = connection_;
    if (!display) {
        problem_ = "no X11 display";
        return 0;
    }

    // Another client may hold the keyboard for a moment (a menu being
    // closed, a window manager's key binding); give it a second.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(1);
    for (;;) {
        const auto result = xgrab::GrabKeyboard(display);
        if (result == xgrab::GrabResult::Grabbed)
            break;
        if (result == xgrab::GrabResult::Failed || Clock::now() >= deadline) {
            problem_ = result == xgrab::GrabResult::Failed ? "the X server refused the keyboard grab"
                                                           : "another program holds the keyboard";
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    problem_.clear();
    // An X server inside a Wayland session: the compositor is no X client.
    xwayland_ = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    display_ = display;
    filter_ = CreateKeyHookFilter(procedure, virtualKey_);
    qGuiApp->installEventFilter(filter_.get());
    rootKeys_ = std::make_unique<RootKeys>();
    qGuiApp->installNativeEventFilter(rootKeys_.get());
    active_ = ++lastHandle_;
    return active_;
}

std::string X11KeyboardHook::Problem() const
{
    if (active_ && xwayland_)
        return "only X11 programs are kept out: this runs through XWayland, and the Wayland compositor's own "
               "shortcuts stay on (install qt6-wayland so that the show runs as a Wayland program)";
    return problem_;
}

bool X11KeyboardHook::Uninstall(KeyboardHookHandle handle)
{
    if (handle == 0 || handle != active_)
        return false;
    xgrab::UngrabKeyboard(display_);
    if (qGuiApp) {
        qGuiApp->removeEventFilter(filter_.get());
        qGuiApp->removeNativeEventFilter(rootKeys_.get());
    }
    filter_.reset();
    rootKeys_.reset();
    display_ = nullptr;
    active_ = 0;
    return true;
}

} // namespace platform
