#pragma once

#include "platform/keyboard_hook.h"

namespace platform {

// Where no hook exists: installing always fails.
class NullKeyboardHook final : public KeyboardHook {
public:
    KeyboardHookHandle Install(KeyboardHookProc) override { return 0; }
    bool Uninstall(KeyboardHookHandle) override { return false; }
    std::string Problem() const override { return "no keyboard lock for this display server (X11 and Wayland only)"; }
};

} // namespace platform
