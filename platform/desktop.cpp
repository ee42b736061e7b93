#include "platform/desktop.h"

#include "platform/wayland_desktop.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

namespace platform {

Desktop::Desktop() = default;
Desktop::~Desktop() = default;
Desktop::Desktop(Desktop&&) noexcept = default;
Desktop& Desktop::operator=(Desktop&&) noexcept = default;

Desktop ConnectDesktop()
{
    Desktop desktop;
    if (!qGuiApp)
        return desktop;
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>(); x11 && x11->display()) {
        desktop.kind_ = Desktop::Kind::X11;
        desktop.xDisplay_ = x11->display();
        desktop.xcb_ = x11->connection();
        return desktop;
    }
    if ((desktop.wayland_ = WaylandDesktop::Connect()))
        desktop.kind_ = Desktop::Kind::Wayland;
    return desktop;
}

} // namespace platform
