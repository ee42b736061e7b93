#include "platform/key_position_source.h"

#include "platform/desktop.h"
#include "platform/x11_key_positions.h"
#include "platform/key_positions.h"
#include "platform/wayland_desktop.h"

#include <QKeyEvent>

namespace platform {

int VirtualKeyFromPosition(const KeyPositionTable& table, const QKeyEvent& event)
{
    return table.VirtualKey(event.nativeScanCode(), (event.nativeModifiers() >> 13) & 3);
}

std::unique_ptr<KeyPositionSource> CreateKeyPositionSource(const Desktop& desktop)
{
    switch (desktop.kind()) {
    case Desktop::Kind::X11:
        return std::make_unique<X11KeyPositionSource>(desktop.xcbConnection());
    case Desktop::Kind::Wayland:
        return desktop.wayland()->CreateKeyPositionSource();
    case Desktop::Kind::None:
        break;
    }
    return std::make_unique<NullKeyPositionSource>();
}

} // namespace platform
