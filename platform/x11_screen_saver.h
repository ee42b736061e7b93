#pragma once

// The X screen saver extension's calls for the screen saver hold, kept in
// their own file because Xlib's macros clash with Qt's names.
namespace platform::xss {

// Keeps the server's screen saver and display power saving off for this
// client's connection; false when the server cannot (no extension, or one
// older than 1.1, which brought the suspend request).
bool Suspend(void* display);
void Resume(void* display);

} // namespace platform::xss
