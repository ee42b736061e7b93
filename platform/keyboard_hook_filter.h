#pragma once

#include "platform/keyboard_hook.h"

#include <QObject>

#include <memory>

namespace platform {

// Installed on the application, hands every key press and release that
// reaches one of the program's windows to the hook procedure first, as a key
// record; a key the procedure swallows goes no further. No shortcut can fire
// meanwhile: each key arrives as a key press.
std::unique_ptr<QObject> CreateKeyHookFilter(KeyboardHookProc procedure, VirtualKeyFn virtualKey);

} // namespace platform
