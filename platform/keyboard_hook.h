#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QKeyEvent;

// A system-wide keyboard hook: while installed, every key press and release
// goes to the hook procedure first (as a BimbaloKeyRecord, see bimbalohook.h),
// and a non-zero answer swallows the key.
namespace platform {

using KeyboardHookProc = intptr_t (*)(int nCode, uintptr_t wParam, intptr_t lParam);
// 0 is the empty handle: no hook installed.
using KeyboardHookHandle = uintptr_t;
// Gives a key event's Windows virtual-key code, 0 for none.
using VirtualKeyFn = std::function<int(const QKeyEvent& event)>;

class KeyboardHook {
public:
    virtual ~KeyboardHook() = default;
    // Returns the empty handle when the hook cannot be installed.
    virtual KeyboardHookHandle Install(KeyboardHookProc procedure) = 0;
    // Returns whether the hook was removed.
    virtual bool Uninstall(KeyboardHookHandle handle) = 0;
    // Why the last Install failed, or why an installed hook does not hold
    // the keyboard, in words for the user.
    virtual std::string Problem() const { return "the keyboard cannot be taken here"; }
    // Whether an installed hook really holds the keyboard; a compositor may
    // grant that later, or take it back.
    virtual bool Holding() const { return true; }
};

class Desktop;

// The hook of the desktop's window system (X11 or Wayland), the null hook
// on neither. The desktop outlives the hook.
std::unique_ptr<KeyboardHook> CreateKeyboardHook(VirtualKeyFn virtualKey, const Desktop& desktop);

} // namespace platform
