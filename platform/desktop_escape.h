#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace platform {

// A desktop's own way out of a keyboard-shortcuts inhibitor. On GNOME,
// Super+Escape ("restore-shortcuts") gives every shortcut back during a
// locked show and no inhibitor holds it: while held, that binding is empty.
// The user's binding is written to a file first, so that a show that never
// ended properly (a crash, a kill) gives it back at the next start.
class DesktopEscapeHold {
public:
    virtual ~DesktopEscapeHold() = default;
    // Turns the escape off until Release; returns what was turned off (for
    // the lock self-test), empty when there is nothing to turn off.
    virtual std::string Hold() = 0;
    // Gives the user's binding back; harmless when nothing is held.
    virtual void Release() = 0;
};

class NullDesktopEscapeHold final : public DesktopEscapeHold {
public:
    std::string Hold() override { return {}; }
    void Release() override {}
};

// GNOME's escape in a GNOME session on Wayland where mutter's settings are
// installed, the user's binding kept in savedFile meanwhile; the null hold
// elsewhere.
std::unique_ptr<DesktopEscapeHold> CreateDesktopEscapeHold(bool wayland, std::filesystem::path savedFile);

// Whether XDG_CURRENT_DESKTOP (e.g. "ubuntu:GNOME") names GNOME.
bool IsGnomeDesktop(const std::string& currentDesktop);

// Gives back a binding that an earlier run left turned off, and removes
// the file; harmless when there is none.
void RestoreDesktopEscape(const std::filesystem::path& savedFile);

} // namespace platform
