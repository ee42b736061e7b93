#include "platform/keyboard_hook.h"

#include "platform/desktop.h"
#include "platform/keyboard_hook_null.h"
#include "platform/wayland_keyboard_hook.h"
#include "platform/x11_keyboard_hook.h"

#include <utility>

namespace platform {

std::unique_ptr<KeyboardHook> CreateKeyboardHook(VirtualKeyFn virtualKey, const Desktop& desktop)
{
    switch (desktop.kind()) {
    case Desktop::Kind::X11:
        return std::make_unique<X11KeyboardHook>(std::move(virtualKey), desktop.xDisplay());
    case Desktop::Kind::Wayland:
        return std::make_unique<WaylandKeyboardHook>(std::move(virtualKey), desktop.wayland());
    case Desktop::Kind::None:
        break;
    }
    return std::make_unique<NullKeyboardHook>();
}

} // namespace platform
