#pragma once

#include "platform/keyboard_hook.h"

#include <memory>

class QObject;

namespace platform {

// The keyboard hook on X11: an active grab of the keyboard on the root
// window, taken through Qt's own X connection with owner events on, so that
// the window manager and other programs get no keys while this program's own
// windows still do; an application event filter hands each of those keys to
// the hook procedure before any window sees it.
class X11KeyboardHook final : public KeyboardHook {
public:
    // display: Qt's own X connection, as an Xlib Display.
    X11KeyboardHook(VirtualKeyFn virtualKey, void* display);
    ~X11KeyboardHook() override;

    KeyboardHookHandle Install(KeyboardHookProc procedure) override;
    bool Uninstall(KeyboardHookHandle handle) override;
    std::string Problem() const override;
    // Under XWayland the grab keeps out X11 programs only.
    bool Holding() const override { return !xwayland_; }

    class RootKeys;

private:
    VirtualKeyFn virtualKey_;
    std::unique_ptr<QObject> filter_;
    std::unique_ptr<RootKeys> rootKeys_;
    void* connection_ = nullptr;
    void* display_ = nullptr; // while the keyboard is grabbed
    KeyboardHookHandle active_ = 0;
    KeyboardHookHandle lastHandle_ = 0;
    std::string problem_;
    bool xwayland_ = false;
};

} // namespace platform
