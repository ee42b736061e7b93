#pragma once

class QKeyEvent;
namespace platform {
class KeyPositionSource;
}

// Windows virtual-key codes, the numbering the show's key handling is written in.
namespace vk {
constexpr int Back = 8;
constexpr int Tab = 9;
constexpr int Return = 13;
constexpr int Shift = 16;
constexpr int Control = 17;
constexpr int Menu = 18; // Alt
constexpr int Escape = 27;
constexpr int Space = 32;
constexpr int Prior = 33; // Page Up
constexpr int Next = 34;  // Page Down
constexpr int End = 35;
constexpr int Home = 36;
constexpr int Left = 37;
constexpr int Up = 38;
constexpr int Right = 39;
constexpr int Down = 40;
constexpr int Delete = 46;
constexpr int LWin = 91;
constexpr int RWin = 92;
constexpr int Apps = 93;
constexpr int Numpad0 = 96;
constexpr int F1 = 112;
constexpr int I = 'I';
constexpr int Q = 'Q';
constexpr int T = 'T';
constexpr int U = 'U';
} // namespace vk

// The virtual-key code of a Qt key (a Qt::Key value). Letters give their
// capital's code whichever case is passed; the shifted symbols of the top row
// and of the punctuation keys give the code of their key on a US layout.
// keypad: the key came from the numeric keypad (Qt::KeypadModifier); digits
// and arithmetic keys then get their keypad codes. Keys without a code give 0.
int VirtualKeyFromQtKey(int qtKey, bool keypad = false);

// The virtual-key code of a key event by its Qt key alone.
int VirtualKeyOfQtEvent(const QKeyEvent& event);

// The virtual-key code of a key event: what the key's place gives where the
// layout has no Latin letter or digit on it (so that Q U I T and every letter
// work under Cyrillic, Greek or Hebrew layouts, as on Windows), otherwise
// that of its Qt key.
int VirtualKeyOfEvent(const QKeyEvent& event, platform::KeyPositionSource& positions);
