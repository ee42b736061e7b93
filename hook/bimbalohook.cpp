// The keyboard lock's hook procedure: it swallows the keys that would let a
// child leave the show through the desktop (window switching, closing, the
// system and function keys, media and power buttons) and passes on every key
// the show itself reacts to. Letters and digits always pass, whatever
// modifiers are held, so that the quit sequence keeps working.

#include "bimbalohook.h"

#include <bitset>

#define BIMBALOHOOK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

enum : uint32_t {
    kTab = 9,
    kShift = 16,
    kControl = 17,
    kAlt = 18,
    kEscape = 27,
    kSpace = 32,
    kPrint = 42,
    kSnapshot = 44,
    kLWin = 91,
    kRWin = 92,
    kApps = 93,
    kSleep = 95,
    kF1 = 112,
    kF24 = 135,
    kLShift = 160,
    kRShift = 161,
    kLControl = 162,
    kRControl = 163,
    kLAlt = 164,
    kRAlt = 165,
    kBrowserBack = 166, // first of the browser, volume, media and launch keys
    kLaunchApp2 = 183,  // last of them
    kPlay = 250,
    kZoom = 251,
};

// Modifier keys currently held, as seen through the key records since the
// last sethandles. Generic and sided codes are kept apart, so that releasing
// one Alt key does not forget the other.
std::bitset<256> g_down;

uintptr_t g_appWindow = 0;
uintptr_t g_hook = 0;

bool IsModifier(uint32_t vk)
{
    switch (vk) {
    case kShift: case kControl: case kAlt:
    case kLShift: case kRShift: case kLControl: case kRControl: case kLAlt: case kRAlt:
    case kLWin: case kRWin:
        return true;
    default:
        return false;
    }
}

bool AnyDown(std::initializer_list<uint32_t> keys)
{
    for (uint32_t vk : keys)
        if (g_down.test(vk))
            return true;
    return false;
}

bool Swallows(uint32_t vk, bool alt, bool ctrl)
{
    if (vk >= kF1 && vk <= kF24)
        return true;
    if (vk >= kBrowserBack && vk <= kLaunchApp2)
        return true;
    switch (vk) {
    case kLWin: case kRWin: case kApps:
    case kSleep: case kPrint: case kSnapshot:
    case kPlay: case kZoom:
    case BIMBALOHOOK_VK_UNMAPPED:
        return true;
    case kTab: // Alt+Tab, Alt+Shift+Tab
    case kSpace: // the window menu
        return alt;
    case kEscape: // Alt+Esc, Ctrl+Esc, Ctrl+Shift+Esc
        return alt || ctrl;
    default:
        return false;
    }
}

} // namespace

BIMBALOHOOK_EXPORT intptr_t globalkeyboardhook_ll(int nCode, uintptr_t wParam, intptr_t lParam)
{
    // There is no chain of further hooks to call: anything that is not a key
    // record simply passes.
    if (nCode != BIMBALOHOOK_HC_ACTION || lParam == 0)
        return 0;
    const auto* key = reinterpret_cast<const BimbaloKeyRecord*>(lParam);
    const uint32_t vk = key->vkCode & 0xFF;

    bool down;
    switch (wParam) {
    case BIMBALOHOOK_WM_KEYDOWN: case BIMBALOHOOK_WM_SYSKEYDOWN: down = true; break;
    case BIMBALOHOOK_WM_KEYUP: case BIMBALOHOOK_WM_SYSKEYUP: down = false; break;
    default: down = (key->flags & BIMBALOHOOK_FLAG_UP) == 0; break;
    }
    if (IsModifier(vk))
        g_down.set(vk, down);

    // The record's own Alt flag also covers an Alt that was pressed before
    // the lock came on.
    const bool alt = AnyDown({kAlt, kLAlt, kRAlt}) || (key->flags & BIMBALOHOOK_FLAG_ALTDOWN);
    const bool ctrl = AnyDown({kControl, kLControl, kRControl});
    return Swallows(vk, alt, ctrl) ? 1 : 0;
}

// Each lock starts from a clean slate: keys released while unlocked were
// never seen. The answers of the hook procedure do not depend on the handles,
// so it works the same before this call and with an empty hook handle.
BIMBALOHOOK_EXPORT void sethandles(uintptr_t appWindow, uintptr_t hook)
{
    g_appWindow = appWindow;
    g_hook = hook;
    g_down.reset();
}
