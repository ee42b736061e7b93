#pragma once

// The Xlib calls of the X11 keyboard hook, kept in their own file because
// Xlib's macros (KeyPress, None, Bool, ...) clash with Qt's names.
namespace platform::xgrab {

enum class GrabResult { Grabbed, Busy, Frozen, Failed };

// Actively grabs the keyboard on the display's default root window, owner
// events on, both modes asynchronous.
GrabResult GrabKeyboard(void* display);
void UngrabKeyboard(void* display);

} // namespace platform::xgrab
