#include "platform/wayland_desktop.h"

#include "platform/wayland_key_positions.h"

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "keyboard-shortcuts-inhibit-unstable-v1-client-protocol.h"
#include "pointer-constraints-unstable-v1-client-protocol.h"

#include <QGuiApplication>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

wl_surface* SurfaceOf(QWindow* window)
{
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    if (!window || !native || !window->handle())
        return nullptr;
    return static_cast<wl_surface*>(native->nativeResourceForWindow("surface", window));
}

} // namespace

bool WaylandDesktop::HasPointer() const
{
    // As the seat says now: asking it for a pointer it never had is a
    // protocol error that ends the connection. Qt's list of input devices
    // is no guide, since Qt adds a stand-in pointer of its own to it.
    const_cast<WaylandDesktop*>(this)->Dispatch();
    return pointerCapable_;
}

// What we asked of the compositor for one surface of one of our windows. Qt
// makes a new surface each time a window is shown again, so the surface is
// remembered with it.
struct WaylandDesktop::Surface {
    QPointer<QWindow> window;
    wl_surface* surface = nullptr;
    zwp_keyboard_shortcuts_inhibitor_v1* shortcuts = nullptr;
    bool active = false;
    zwp_idle_inhibitor_v1* idle = nullptr;

    ~Surface()
    {
        if (shortcuts)
            zwp_keyboard_shortcuts_inhibitor_v1_destroy(shortcuts);
        if (idle)
            zwp_idle_inhibitor_v1_destroy(idle);
    }
};

namespace {

void OnActive(void* data, zwp_keyboard_shortcuts_inhibitor_v1*)
{
    static_cast<WaylandDesktop::Surface*>(data)->active = true;
}

void OnInactive(void* data, zwp_keyboard_shortcuts_inhibitor_v1*)
{
    static_cast<WaylandDesktop::Surface*>(data)->active = false;
}

const zwp_keyboard_shortcuts_inhibitor_v1_listener kInhibitorListener = {OnActive, OnInactive};

struct Globals {
    zwp_keyboard_shortcuts_inhibit_manager_v1* shortcuts = nullptr;
    zwp_idle_inhibit_manager_v1* idle = nullptr;
    zwp_pointer_constraints_v1* constraints = nullptr;
    wl_seat* seat = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    auto* g = static_cast<Globals*>(data);
    // The first seat, the one Qt uses: ours for its capabilities.
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !g->seat) {
        // 3 or later, where a pointer can be released.
        g->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 5u)));
        return;
    }
    if (std::strcmp(interface, zwp_keyboard_shortcuts_inhibit_manager_v1_interface.name) == 0 && !g->shortcuts)
        g->shortcuts = static_cast<zwp_keyboard_shortcuts_inhibit_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_keyboard_shortcuts_inhibit_manager_v1_interface, 1));
    else if (std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) == 0 && !g->idle)
        g->idle = static_cast<zwp_idle_inhibit_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
    else if (std::strcmp(interface, zwp_pointer_constraints_v1_interface.name) == 0 && !g->constraints)
        g->constraints = static_cast<zwp_pointer_constraints_v1*>(
            wl_registry_bind(registry, name, &zwp_pointer_constraints_v1_interface, 1));
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

void OnSeatCapabilities(void* data, wl_seat*, uint32_t capabilities)
{
    *static_cast<bool*>(data) = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
}

void OnSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener kSeatListener = {OnSeatCapabilities, OnSeatName};

} // namespace

std::unique_ptr<WaylandDesktop> WaylandDesktop::Connect()
{
    if (!qGuiApp || !QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return nullptr;
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    auto* display = native ? static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display")) : nullptr;
    auto* seat = native ? static_cast<wl_seat*>(native->nativeResourceForIntegration("wl_seat")) : nullptr;
    if (!display)
        return nullptr;

    std::unique_ptr<WaylandDesktop> desktop(new WaylandDesktop);
    desktop->display_ = display;
    // Our objects live on a queue of our own, so that their events never
    // run inside Qt's dispatching and ours never inside Qt's.
    desktop->queue_ = wl_display_create_queue(display);
    auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), desktop->queue_);
    desktop->registry_ = wl_display_get_registry(wrapped);
    wl_proxy_wrapper_destroy(wrapped);
    Globals globals;
    wl_registry_add_listener(desktop->registry_, &kRegistryListener, &globals);
    wl_display_roundtrip_queue(display, desktop->queue_);
    desktop->shortcuts_ = globals.shortcuts;
    desktop->idle_ = globals.idle;
    desktop->constraints_ = globals.constraints;
    desktop->ownSeat_ = globals.seat;
    if (desktop->ownSeat_) {
        wl_seat_add_listener(desktop->ownSeat_, &kSeatListener, &desktop->pointerCapable_);
        wl_display_roundtrip_queue(display, desktop->queue_);
    }
    if (seat) {
        desktop->seat_ = static_cast<wl_seat*>(wl_proxy_create_wrapper(seat));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(desktop->seat_), desktop->queue_);
    }
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, desktop.get(), &WaylandDesktop::Follow);
    return desktop;
}

WaylandDesktop::~WaylandDesktop()
{
    surfaces_.clear();
    if (confined_)
        zwp_confined_pointer_v1_destroy(confined_);
    if (pointer_) {
        if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(pointer_)) >= WL_POINTER_RELEASE_SINCE_VERSION)
            wl_pointer_release(pointer_);
        else
            wl_pointer_destroy(pointer_);
    }
    if (shortcuts_)
        zwp_keyboard_shortcuts_inhibit_manager_v1_destroy(shortcuts_);
    if (idle_)
        zwp_idle_inhibit_manager_v1_destroy(idle_);
    if (constraints_)
        zwp_pointer_constraints_v1_destroy(constraints_);
    if (ownSeat_)
        wl_seat_destroy(ownSeat_);
    if (seat_)
        wl_proxy_wrapper_destroy(seat_);
    if (registry_)
        wl_registry_destroy(registry_);
    if (display_)
        wl_display_flush(display_);
    if (queue_)
        wl_event_queue_destroy(queue_);
}

void WaylandDesktop::setShortcutsInhibited(bool on)
{
    inhibitShortcuts_ = on && shortcuts_ && seat_;
    if (inhibitShortcuts_)
        Follow(QGuiApplication::focusWindow());
    else
        Drop();
}

void WaylandDesktop::setIdleInhibited(bool on)
{
    inhibitIdle_ = on && idle_;
    if (inhibitIdle_)
        Follow(QGuiApplication::focusWindow());
    else
        Drop();
}

bool WaylandDesktop::shortcutsInhibitActive() const
{
    const_cast<WaylandDesktop*>(this)->Dispatch();
    QWindow* focus = QGuiApplication::focusWindow();
    wl_surface* surface = SurfaceOf(focus);
    return std::any_of(surfaces_.begin(), surfaces_.end(), [&](const auto& s) {
        return s->window == focus && s->surface == surface && s->shortcuts && s->active;
    });
}

void WaylandDesktop::Follow(QWindow* focus)
{
    if (!inhibitShortcuts_ && !inhibitIdle_)
        return;
    wl_surface* surface = SurfaceOf(focus);
    if (!surface)
        return;
    // A window shown again has a new surface: what was asked for the old one
    // went with it.
    auto it = std::find_if(surfaces_.begin(), surfaces_.end(), [&](const auto& s) { return s->window == focus; });
    if (it != surfaces_.end() && (*it)->surface != surface) {
        surfaces_.erase(it);
        it = surfaces_.end();
    }
    if (it == surfaces_.end()) {
        surfaces_.push_back(std::make_unique<Surface>());
        it = std::prev(surfaces_.end());
        (*it)->window = focus;
        (*it)->surface = surface;
    }
    Surface& s = **it;
    // Asking twice for one surface is a protocol error that would end the
    // connection, hence one inhibitor of each kind per surface.
    // Only the show's own windows, which are full screen, hold the shortcuts:
    // a request for another one, such as the main window that has the focus
    // for a moment before the show maps, would only have GNOME ask the user
    // about that one too.
    // The compositor's own account of the state may come after the focus:
    // the window is looked at again once it says full screen.
    const bool fullScreen = focus->windowStates() & Qt::WindowFullScreen;
    if (inhibitShortcuts_ && !fullScreen)
        connect(focus, &QWindow::windowStateChanged, this, &WaylandDesktop::FollowAgain, Qt::UniqueConnection);
    if (inhibitShortcuts_ && fullScreen && !s.shortcuts) {
        s.shortcuts = zwp_keyboard_shortcuts_inhibit_manager_v1_inhibit_shortcuts(shortcuts_, surface, seat_);
        zwp_keyboard_shortcuts_inhibitor_v1_add_listener(s.shortcuts, &kInhibitorListener, &s);
    }
    if (inhibitIdle_ && !s.idle)
        s.idle = zwp_idle_inhibit_manager_v1_create_inhibitor(idle_, surface);
    wl_display_flush(display_);
}

void WaylandDesktop::FollowAgain()
{
    auto* window = qobject_cast<QWindow*>(sender());
    if (window && window == QGuiApplication::focusWindow())
        Follow(window);
}

void WaylandDesktop::Drop()
{
    for (auto& s : surfaces_) {
        if (!inhibitShortcuts_ && s->shortcuts) {
            zwp_keyboard_shortcuts_inhibitor_v1_destroy(s->shortcuts);
            s->shortcuts = nullptr;
            s->active = false;
        }
        if (!inhibitIdle_ && s->idle) {
            zwp_idle_inhibitor_v1_destroy(s->idle);
            s->idle = nullptr;
        }
    }
    std::erase_if(surfaces_, [](const auto& s) { return !s->shortcuts && !s->idle; });
    wl_display_flush(display_);
}

bool WaylandDesktop::setPointerConfined(QWindow* window)
{
    if (confined_) {
        zwp_confined_pointer_v1_destroy(confined_);
        confined_ = nullptr;
    }
    if (window && constraints_ && seat_) {
        wl_surface* surface = SurfaceOf(window);
        if (!pointer_ && ownSeat_ && HasPointer())
            pointer_ = wl_seat_get_pointer(ownSeat_);
        if (surface && pointer_)
            confined_ = zwp_pointer_constraints_v1_confine_pointer(constraints_, surface, pointer_, nullptr,
                                                                   ZWP_POINTER_CONSTRAINTS_V1_LIFETIME_PERSISTENT);
    }
    wl_display_flush(display_);
    return confined_ != nullptr;
}

void WaylandDesktop::Dispatch()
{
    wl_display_dispatch_queue_pending(display_, queue_);
}

std::unique_ptr<KeyPositionSource> WaylandDesktop::CreateKeyPositionSource() const
{
    return std::make_unique<WaylandKeyPositionSource>(display_, queue_, ownSeat_);
}

} // namespace platform
