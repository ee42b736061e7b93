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

class Desktop;

// The desktop's screen saver service where a session bus answers, or GNOME's
// session manager, otherwise the X screen saver extension on X11, or on Wayland the compositor's
// idle inhibitor on the show's window; nothing where none of them exists. The desktop outlives it.
std::unique_ptr<ScreenSaverHold> CreateScreenSaverHold(const Desktop& desktop);

} // namespace platform
