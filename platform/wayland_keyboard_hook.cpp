#include "platform/wayland_keyboard_hook.h"

#include "platform/keyboard_hook_filter.h"
#include "platform/wayland_desktop.h"

#include <QGuiApplication>

#include <utility>

namespace platform {

WaylandKeyboardHook::WaylandKeyboardHook(VirtualKeyFn virtualKey, WaylandDesktop* desktop)
    : virtualKey_(std::move(virtualKey)), desktop_(desktop)
{
}

WaylandKeyboardHook::~WaylandKeyboardHook()
{
    if (active_ && QCoreApplication::instance())
        Uninstall(active_);
}

KeyboardHookHandle WaylandKeyboardHook::Install(KeyboardHookProc procedure)
{
    if (active_ || !procedure || !virtualKey_ || !qGuiApp || !desktop_ || !desktop_->offersShortcutsInhibit())
        return 0;
    filter_ = CreateKeyHookFilter(procedure, virtualKey_);
    qGuiApp->installEventFilter(filter_.get());
    desktop_->setShortcutsInhibited(true);
    active_ = ++lastHandle_;
    return active_;
}

bool WaylandKeyboardHook::Uninstall(KeyboardHookHandle handle)
{
    if (handle == 0 || handle != active_)
        return false;
    desktop_->setShortcutsInhibited(false);
    if (qGuiApp)
        qGuiApp->removeEventFilter(filter_.get());
    filter_.reset();
    active_ = 0;
    return true;
}

bool WaylandKeyboardHook::Holding() const
{
    return active_ && desktop_->shortcutsInhibitActive();
}

std::string WaylandKeyboardHook::Problem() const
{
    if (!desktop_ || !desktop_->offersShortcutsInhibit())
        return "the compositor offers no keyboard-shortcuts inhibitor: its own shortcuts stay on";
    if (active_ && !Holding())
        return "the compositor has not granted the keyboard-shortcuts inhibitor (GNOME asks at a locked show:"
               " answer Allow; an answer given before is changed in GNOME's Settings, under Apps)";
    return {};
}

} // namespace platform
