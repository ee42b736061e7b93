#pragma once

#include "keyboard_hook.h"

namespace platform {

// Where no hook exists: installing always fails.
class NullKeyboardHook final : public KeyboardHook {
public:
    KeyboardHookHandle Install(KeyboardHookProc) override { return 0; }
    bool Uninstall(KeyboardHookHandle) override { return false; }
};

} // namespace platform
