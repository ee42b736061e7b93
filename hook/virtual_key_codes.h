#pragma once

// Windows virtual-key codes by name, for the C++ side: the numbering of the
// key records the lock library reads (bimbalohook.h) and of the show's key
// handling. The library's C interface stays as it is; names are added here.

#include "hook/bimbalohook.h"

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
constexpr int Print = 42;
constexpr int Snapshot = 44; // Print Screen
constexpr int Delete = 46;
constexpr int LWin = 91;
constexpr int RWin = 92;
constexpr int Apps = 93;
constexpr int Sleep = 95;
constexpr int Numpad0 = 96;
constexpr int F1 = 112;
constexpr int F10 = 121;
constexpr int F24 = 135;
constexpr int LShift = 160;
constexpr int RShift = 161;
constexpr int LControl = 162;
constexpr int RControl = 163;
constexpr int LMenu = 164; // left Alt
constexpr int RMenu = 165; // right Alt
constexpr int BrowserBack = 166; // first of the browser, volume, media and launch keys
constexpr int LaunchApp2 = 183;  // last of them
constexpr int Play = 250;
constexpr int Zoom = 251;
// A key that has no code of its own (vendor keys such as power or launcher buttons).
constexpr int Unmapped = BIMBALOHOOK_VK_UNMAPPED;
constexpr int I = 'I';
constexpr int Q = 'Q';
constexpr int T = 'T';
constexpr int U = 'U';
} // namespace vk
