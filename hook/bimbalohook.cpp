// The keyboard lock's hook procedure: it swallows the keys that would let a
// child leave the show through the desktop (window switching, closing, the
// system and function keys, media and power buttons) and passes on every key
// the show itself reacts to. Letters and digits always pass, whatever
// modifiers are held, so that the quit sequence keeps working.

#include "hook/bimbalohook.h"
#include "hook/virtual_key_codes.h"

#include <bitset>

#define BIMBALOHOOK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Modifier keys currently held, as seen through the key records since the
// last sethandles. Generic and sided codes are kept apart, so that releasing
// one Alt key does not forget the other.
std::bitset<256> g_down;

bool IsModifier(int vk)
{
    switch (vk) {
    case vk::Shift: case vk::Control: case vk::Menu:
    case vk::LShift: case vk::RShift: case vk::LControl: case vk::RControl: case vk::LMenu: case vk::RMenu:
    case vk::LWin: case vk::RWin:
        return true;
    default:
        return false;
    }
}

bool AnyDown(std::initializer_list<int> keys)
{
    for (int vk : keys)
        if (g_down.test(vk))
            return true;
    return false;
}

bool Swallows(int vk, bool alt, bool ctrl)
{
    if (vk >= vk::F1 && vk <= vk::F24)
        return true;
    if (vk >= vk::BrowserBack && vk <= vk::LaunchApp2)
        return true;
    switch (vk) {
    case vk::LWin: case vk::RWin: case vk::Apps:
    case vk::Sleep: case vk::Print: case vk::Snapshot:
    case vk::Play: case vk::Zoom:
    case vk::Unmapped:
        return true;
    case vk::Tab: // Alt+Tab, Alt+Shift+Tab
    case vk::Space: // the window menu
        return alt;
    case vk::Escape: // Alt+Esc, Ctrl+Esc, Ctrl+Shift+Esc
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
    const int vk = static_cast<int>(key->vkCode & 0xFF);

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
    const bool alt = AnyDown({vk::Menu, vk::LMenu, vk::RMenu}) || (key->flags & BIMBALOHOOK_FLAG_ALTDOWN);
    const bool ctrl = AnyDown({vk::Control, vk::LControl, vk::RControl});
    return Swallows(vk, alt, ctrl) ? 1 : 0;
}

// Each lock starts from a clean slate: keys released while unlocked were
// never seen. The answers of the hook procedure do not depend on the handles,
// so it works the same before this call and with an empty hook handle.
BIMBALOHOOK_EXPORT void sethandles(uintptr_t, uintptr_t)
{
    g_down.reset();
}
