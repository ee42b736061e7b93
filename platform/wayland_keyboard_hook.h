#pragma once

#include "platform/keyboard_hook.h"

#include <memory>
#include <string>

class QObject;

namespace platform {

class WaylandDesktop;

// The keyboard hook on Wayland: the compositor is asked to keep its own
// shortcuts (Super, Alt+Tab and the like) to itself while one of our windows
// has the keyboard, so that every key reaches the show; an application event
// filter hands each key to the hook procedure, as on X11.
class WaylandKeyboardHook final : public KeyboardHook {
public:
    WaylandKeyboardHook(VirtualKeyFn virtualKey, WaylandDesktop* desktop);
    ~WaylandKeyboardHook() override;

    KeyboardHookHandle Install(KeyboardHookProc procedure) override;
    bool Uninstall(KeyboardHookHandle handle) override;
    std::string Problem() const override;
    bool Holding() const override;

private:
    VirtualKeyFn virtualKey_;
    WaylandDesktop* desktop_;
    std::unique_ptr<QObject> filter_;
    KeyboardHookHandle active_ = 0;
    KeyboardHookHandle lastHandle_ = 0;
};

} // namespace platform
