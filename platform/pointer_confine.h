#pragma once

#include <cstdint>
#include <memory>

// Keeps the pointer inside one window: while it is confined, clicks cannot
// reach any other program.
namespace platform {

enum class PointerGrab {
    Grabbed,
    Busy,        // another program holds the pointer; worth trying again
    NotViewable, // the window is not on screen yet; worth trying again
    Failed,      // no pointer to take on this platform
};

class PointerConfine {
public:
    virtual ~PointerConfine() = default;
    // One attempt to confine the pointer to the native window.
    virtual PointerGrab Grab(uintptr_t window) = 0;
    // Frees the pointer; harmless when it is not held.
    virtual void Release() = 0;
};

class NullPointerConfine final : public PointerConfine {
public:
    PointerGrab Grab(uintptr_t) override { return PointerGrab::Failed; }
    void Release() override {}
};

class Desktop;

// The X11 pointer grab on X11, the compositor's pointer confinement on a
// Wayland desktop, the null one on neither. The desktop outlives it.
std::unique_ptr<PointerConfine> CreatePointerConfine(const Desktop& desktop);

} // namespace platform
