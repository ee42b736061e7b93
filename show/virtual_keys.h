#pragma once

#include "hook/virtual_key_codes.h"

class QKeyEvent;
namespace platform {
class KeyPositionSource;
}

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
