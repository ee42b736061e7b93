#pragma once

#include <memory>

struct xcb_connection_t;

namespace platform {

class WaylandDesktop;

// The window system the application shows its windows on, found once at
// start-up: Qt's connection to an X server, the Wayland compositor Qt talks
// to, or neither (the offscreen platform, or one this program knows nothing
// of). Each desktop service of a show (the keyboard hook, the pointer
// confinement, the screen-saver hold, the keys' places) is made from it:
// the backend of that window system, or the null one.
class Desktop {
public:
    enum class Kind { None, X11, Wayland };

    // Neither window system.
    Desktop();
    ~Desktop();
    Desktop(Desktop&&) noexcept;
    Desktop& operator=(Desktop&&) noexcept;

    Kind kind() const { return kind_; }
    // Qt's own X connection, as an Xlib Display and as XCB; null elsewhere.
    void* xDisplay() const { return xDisplay_; }
    xcb_connection_t* xcbConnection() const { return xcb_; }
    // The compositor's offers; null elsewhere.
    WaylandDesktop* wayland() const { return wayland_.get(); }

private:
    friend Desktop ConnectDesktop();
    Kind kind_ = Kind::None;
    void* xDisplay_ = nullptr;
    xcb_connection_t* xcb_ = nullptr;
    std::unique_ptr<WaylandDesktop> wayland_;
};

// Asks Qt which window system it runs on. Needs a QGuiApplication.
Desktop ConnectDesktop();

} // namespace platform
