#pragma once

#include <memory>

class QKeyEvent;

namespace platform {

class KeyPositionTable;
class Desktop;

// The letter or digit a key event stands for by the key's place on the
// keyboard, for layouts that have no Latin letter on that key (see
// KeyPositionTable); the keymap comes from the window system.
class KeyPositionSource {
public:
    virtual ~KeyPositionSource() = default;
    // Reads the keymap again before the next key, so that a layout changed
    // since the last look counts.
    virtual void Reload() = 0;
    // The virtual-key code ('A'..'Z', '0'..'9') the event's key gets by its
    // place, or 0 when the event's Qt key is to decide.
    virtual int VirtualKey(const QKeyEvent& event) = 0;
};

// Where no keymap is known: every key goes by its Qt key.
class NullKeyPositionSource final : public KeyPositionSource {
public:
    void Reload() override {}
    int VirtualKey(const QKeyEvent&) override { return 0; }
};

// Looks up an event of the X11 platform: its native scan code is the X key
// code, and its native modifiers are the X state with the group in bits 13-14.
int VirtualKeyFromPosition(const KeyPositionTable& table, const QKeyEvent& event);

// The X server's keymap over the application's own connection on X11, the
// compositor's keymap on Wayland, the null source on neither. The desktop
// outlives it.
std::unique_ptr<KeyPositionSource> CreateKeyPositionSource(const Desktop& desktop);

} // namespace platform
