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

// The desktop's screen saver service where a session bus answers, the X
// screen saver extension otherwise, the null hold where neither exists.
std::unique_ptr<ScreenSaverHold> CreateScreenSaverHold();

} // namespace platform
