#pragma once

#include "hook/bimbalohook.h"
#include "platform/keyboard_hook.h"
#include "platform/keyboard_hook_library.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The keyboard lock as the show window uses it.
class KeyboardLockControl {
public:
    virtual ~KeyboardLockControl() = default;
    virtual void LockKeyboard() = 0;
    virtual void UnlockKeyboard() = 0;
    // For the lock self-test: whether the keyboard is held, and if not, why.
    virtual bool Held() const { return false; }
    virtual std::string Problem() const { return {}; }
};

// The keyboard lock of the show window: a keyboard hook whose procedure comes
// from the separate library "bimbalohook". The library is loaded on the first
// lock and then kept for the rest of the run; a library that cannot be
// loaded or lacks an entry point is dropped and tried again next time. No
// failure is reported: the show then simply runs unlocked.
class TKeyboardLock final : public KeyboardLockControl {
public:
    // Gives the application's window handle, handed to the library.
    using WindowHandleFn = std::function<uintptr_t()>;

    TKeyboardLock(std::unique_ptr<platform::HookLibraryLoader> loader,
                  std::unique_ptr<platform::KeyboardHook> hook, WindowHandleFn appWindow);
    // Leaves the library loaded.
    ~TKeyboardLock() override;

    TKeyboardLock(const TKeyboardLock&) = delete;
    TKeyboardLock& operator=(const TKeyboardLock&) = delete;

    // Turns the lock on unless it is on.
    void LockKeyboard() override;
    // Turns the lock off if it is on.
    void UnlockKeyboard() override;

    bool IsLocked() const { return lock_hook != 0; }
    // Whether the lock really holds the keyboard: a compositor may grant
    // that later than the hook is installed, or never.
    bool IsHolding() const { return IsLocked() && hook_->Holding(); }
    bool Held() const override { return IsHolding(); }
    // Why the lock does not hold the keyboard; empty when it does.
    std::string Problem() const override;
    bool IsLoaded() const { return lock_library != nullptr; }

private:
    std::unique_ptr<platform::HookLibraryLoader> loader_;
    std::unique_ptr<platform::KeyboardHook> hook_;
    WindowHandleFn appWindow_;

    platform::ModuleHandle lock_library = nullptr;
    platform::KeyboardHookHandle lock_hook = 0;
    BimbaloHookProc lock_hook_proc = nullptr;
    BimbaloSetHandlesProc lock_set_handles = nullptr;
    std::string problem_;
};
