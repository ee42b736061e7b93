#include "show/keyboard_lock.h"

#include <utility>

TKeyboardLock::TKeyboardLock(std::unique_ptr<platform::HookLibraryLoader> loader,
                             std::unique_ptr<platform::KeyboardHook> hook, WindowHandleFn appWindow)
    : loader_(std::move(loader)), hook_(std::move(hook)), appWindow_(std::move(appWindow))
{
}

TKeyboardLock::~TKeyboardLock() = default;

std::string TKeyboardLock::Problem() const
{
    if (IsLocked())
        return hook_->Holding() ? std::string() : hook_->Problem();
    return problem_;
}

void TKeyboardLock::LockKeyboard()
{
    if (lock_hook)
        return;
    problem_.clear();
    if (!lock_library) {
        lock_library = loader_->Load();
        if (!lock_library) {
            problem_ = "the lock library cannot be loaded: " + loader_->LastError();
            return;
        }
        lock_hook_proc = reinterpret_cast<BimbaloHookProc>(
            loader_->Resolve(lock_library, BIMBALOHOOK_PROC_NAME));
        lock_set_handles = reinterpret_cast<BimbaloSetHandlesProc>(
            loader_->Resolve(lock_library, BIMBALOHOOK_SETHANDLES_NAME));
        if (!lock_hook_proc || !lock_set_handles) {
            problem_ = std::string("the lock library is damaged: it lacks ")
                       + (lock_hook_proc ? BIMBALOHOOK_SETHANDLES_NAME : BIMBALOHOOK_PROC_NAME);
            loader_->Unload(lock_library);
            lock_library = nullptr;
            lock_hook_proc = nullptr;
            lock_set_handles = nullptr;
            return;
        }
    }
    lock_hook = hook_->Install(lock_hook_proc);
    if (!lock_hook)
        problem_ = hook_->Problem();
    // The library learns of a failed install too, through the empty handle.
    lock_set_handles(appWindow_ ? appWindow_() : 0, lock_hook);
}

void TKeyboardLock::UnlockKeyboard()
{
    if (lock_hook && hook_->Uninstall(lock_hook))
        lock_hook = 0;
}
