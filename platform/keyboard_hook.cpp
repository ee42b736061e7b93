#include "platform/keyboard_hook.h"

#include "platform/keyboard_hook_null.h"
#include "platform/keyboard_hook_wayland.h"
#include "platform/keyboard_hook_x11.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <utility>

namespace platform {

std::unique_ptr<KeyboardHook> CreateKeyboardHook(VirtualKeyFn virtualKey, WaylandDesktop* wayland)
{
    if (qGuiApp && qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        return std::make_unique<X11KeyboardHook>(std::move(virtualKey));
    if (wayland)
        return std::make_unique<WaylandKeyboardHook>(std::move(virtualKey), wayland);
    return std::make_unique<NullKeyboardHook>();
}

} // namespace platform
