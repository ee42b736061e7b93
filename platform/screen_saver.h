#pragma once

#include <memory>
#include <string>

// Keeps the screen awake while a show runs: no screen saver, no display
// power saving.
namespace platform {

class ScreenSaverHold {
public:
    virtual ~ScreenSaverHold() = default;
    // Holds the screen saver off until Release; returns what holds it (for
    // the lock self-test), empty when nothing could.
    virtual std::string Hold() = 0;
    // Gives the screen saver back; harmless when nothing is held.
    virtual void Release() = 0;
};

class NullScreenSaverHold final : public ScreenSaverHold {
public:
    std::string Hold() override { return {}; }
    void Release() override {}
};

class WaylandDesktop;

// The desktop's screen saver service where a session bus answers, or GNOME's
// session manager, otherwise the X screen saver extension, or on Wayland the compositor's idle
// inhibitor on the show's window; nothing where none of them exists.
std::unique_ptr<ScreenSaverHold> CreateScreenSaverHold(WaylandDesktop* wayland = nullptr);

} // namespace platform
