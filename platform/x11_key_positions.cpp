#include "platform/x11_key_positions.h"

#include <QKeyEvent>

#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace platform {

X11KeyPositionSource::X11KeyPositionSource(xcb_connection_t* connection)
    : connection_(connection), context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
{
}

X11KeyPositionSource::~X11KeyPositionSource()
{
    xkb_context_unref(context_);
}

int X11KeyPositionSource::VirtualKey(const QKeyEvent& event)
{
    if (stale_)
        Read();
    return VirtualKeyFromPosition(table_, event);
}

void X11KeyPositionSource::Read()
{
    // A keymap that cannot be read leaves every key to its Qt key until the
    // next Reload, rather than asking the server again on every key.
    stale_ = false;
    table_ = KeyPositionTable();
    if (!connection_ || !context_)
        return;
    if (!extensionReady_) {
        extensionReady_ = xkb_x11_setup_xkb_extension(connection_, XKB_X11_MIN_MAJOR_XKB_VERSION,
                                                      XKB_X11_MIN_MINOR_XKB_VERSION,
                                                      XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr,
                                                      nullptr, nullptr, nullptr) == 1;
        if (!extensionReady_)
            return;
    }
    const int32_t device = xkb_x11_get_core_keyboard_device_id(connection_);
    if (device < 0)
        return;
    xkb_keymap* keymap = xkb_x11_keymap_new_from_device(context_, connection_, device,
                                                        XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap)
        return;
    table_ = KeyPositionTable(keymap);
    xkb_keymap_unref(keymap);
}

} // namespace platform
