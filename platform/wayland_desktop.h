#pragma once

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QWindow;
struct wl_display;
struct wl_event_queue;
struct wl_registry;
struct wl_seat;
struct wl_pointer;
struct wl_surface;
struct zwp_keyboard_shortcuts_inhibit_manager_v1;
struct zwp_keyboard_shortcuts_inhibitor_v1;
struct zwp_idle_inhibit_manager_v1;
struct zwp_idle_inhibitor_v1;
struct zwp_pointer_constraints_v1;
struct zwp_confined_pointer_v1;

namespace platform {

class KeyPositionSource;

// What a Wayland compositor offers a show: its shortcuts inhibited while
// our window has the keyboard, the screen kept awake, the pointer confined.
// Talks to the compositor over Qt's own connection, on an event queue of
// its own.
class WaylandDesktop : public QObject {
    Q_OBJECT
public:
    // The desktop of an application on Qt's Wayland platform; null elsewhere.
    static std::unique_ptr<WaylandDesktop> Connect();
    ~WaylandDesktop() override;

    // Whether the seat has a pointer for a confinement to hold.
    bool HasPointer() const;

    bool offersShortcutsInhibit() const { return shortcuts_ != nullptr; }
    bool offersIdleInhibit() const { return idle_ != nullptr; }
    bool offersPointerConstraints() const { return constraints_ != nullptr; }

    // While on, every full-screen window of ours that has the keyboard focus
    // asks the compositor to keep its shortcuts to itself.
    void setShortcutsInhibited(bool on);
    // Whether the compositor said it inhibits them for the focused window.
    bool shortcutsInhibitActive() const;

    // While on, every window of ours that has had the focus keeps the
    // screen awake for as long as it is visible.
    void setIdleInhibited(bool on);

    // Confines the pointer to the window; null frees it.
    bool setPointerConfined(QWindow* window);

    // The keyboard's letters by their places, from the compositor's keymap.
    std::unique_ptr<KeyPositionSource> CreateKeyPositionSource() const;

    struct Surface;

private:
    WaylandDesktop() = default;
    void Follow(QWindow* focus);
    void FollowAgain();
    void Drop();
    void Dispatch();

    wl_display* display_ = nullptr;
    wl_event_queue* queue_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr; // a wrapper of Qt's seat on our queue
    wl_seat* ownSeat_ = nullptr; // the same seat, bound for its capabilities
    bool pointerCapable_ = false;
    wl_pointer* pointer_ = nullptr;
    zwp_keyboard_shortcuts_inhibit_manager_v1* shortcuts_ = nullptr;
    zwp_idle_inhibit_manager_v1* idle_ = nullptr;
    zwp_pointer_constraints_v1* constraints_ = nullptr;

    bool inhibitShortcuts_ = false;
    bool inhibitIdle_ = false;
    std::vector<std::unique_ptr<Surface>> surfaces_;
    zwp_confined_pointer_v1* confined_ = nullptr;
};

} // namespace platform
