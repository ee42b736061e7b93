#pragma once

#include <string>
#include <vector>

// A second X client beside the program under test, and the X server it
// talks to. Kept apart from the Qt code because of Xlib's macros.
namespace lockx11 {

// Starts Xvfb on a free display; returns the display name (":N"), or an
// empty string when Xvfb is missing or does not start.
std::string StartXvfb();
void StopXvfb();

// Starts Xvfb and points DISPLAY and Qt at it, once each of `tools` is
// found on the PATH; false (after saying why) when the test must be skipped.
bool UsePrivateXvfb(const std::vector<std::string>& tools = {});

class OtherClient {
public:
    OtherClient();
    ~OtherClient();
    bool Connected() const { return display_ != nullptr; }

    // Tries an active keyboard grab on the root window and releases it
    // again at once when it succeeded. Returns whether it succeeded.
    bool TryGrabKeyboard();

    // Maps a window of this client and gives it the input focus.
    void ShowFocusedWindow();
    // Key presses received by that window so far, as X keysyms.
    std::vector<unsigned long> TakeKeyPresses();

private:
    void* display_ = nullptr;
    unsigned long window_ = 0;
};

} // namespace lockx11
