#include "platform/key_position_source.h"

#include "platform/key_position_source_x11.h"
#include "platform/key_positions.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QtGui/qguiapplication_platform.h>

namespace platform {

int VirtualKeyFromPosition(const KeyPositionTable& table, const QKeyEvent& event)
{
    return table.VirtualKey(event.nativeScanCode(), (event.nativeModifiers() >> 13) & 3);
}

std::unique_ptr<KeyPositionSource> CreateKeyPositionSource()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->connection())
        return std::make_unique<X11KeyPositionSource>(x11->connection());
    return std::make_unique<NullKeyPositionSource>();
}

} // namespace platform
