#include "platform/keyboard_hook_filter.h"

#include "hook/bimbalohook.h"
#include "hook/virtual_key_codes.h"

#include <QEvent>
#include <QKeyEvent>

#include <bitset>
#include <utility>

namespace platform {

namespace {

// X keysyms of the vendor keys (XF86XK_*): power, sleep, launchers and the
// like. Those that have no virtual-key code of their own are reported as
// unmapped rather than as no key at all.
bool IsVendorKeysym(quint32 keysym)
{
    return keysym >= 0x1008FF00 && keysym <= 0x1008FFFF;
}

class KeyHookFilter final : public QObject {
public:
    KeyHookFilter(KeyboardHookProc procedure, VirtualKeyFn virtualKey)
        : procedure_(procedure), virtualKey_(std::move(virtualKey))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Claim every key for the focused widget, so that no shortcut can
            // fire and each key arrives as a key press for the procedure.
            event->accept();
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            // A key event travels from the window to its focus widget and up
            // through the parents, passing this filter each time; only the
            // first delivery, to the window, comes from the keyboard.
            if (!watched->isWindowType())
                return false;
            return HandleKey(static_cast<QKeyEvent*>(event));
        default:
            return false;
        }
    }

private:
    bool HandleKey(QKeyEvent* event)
    {
        const bool press = event->type() == QEvent::KeyPress;
        int vk = virtualKey_(*event);
        if (vk == 0 && IsVendorKeysym(event->nativeVirtualKey()))
            vk = vk::Unmapped;
        vk &= 0xFF;

        // X repeats a held key as release and press pairs; the releases are
        // not real, so they share the fate of the press they follow.
        if (!press && event->isAutoRepeat())
            return swallowedDown_.test(vk);

        bool altDown = event->modifiers().testFlag(Qt::AltModifier);
        if (vk == vk::Menu)
            altDown = press;

        BimbaloKeyRecord record{};
        record.vkCode = static_cast<uint32_t>(vk);
        // X key codes are the kernel's key codes plus 8; those match the PC
        // scan codes of the main key block.
        const quint32 keycode = event->nativeScanCode();
        record.scanCode = keycode >= 8 ? keycode - 8 : keycode;
        record.flags = (press ? 0u : BIMBALOHOOK_FLAG_UP) | (altDown ? BIMBALOHOOK_FLAG_ALTDOWN : 0u);
        record.time = static_cast<uint32_t>(event->timestamp());

        const bool system = altDown || vk == vk::F10 || vk == vk::Menu;
        const uintptr_t message = press ? (system ? BIMBALOHOOK_WM_SYSKEYDOWN : BIMBALOHOOK_WM_KEYDOWN)
                                        : (system ? BIMBALOHOOK_WM_SYSKEYUP : BIMBALOHOOK_WM_KEYUP);
        const bool swallow = procedure_(BIMBALOHOOK_HC_ACTION, message,
                                        reinterpret_cast<intptr_t>(&record)) != 0;
        swallowedDown_.set(vk, press && swallow);
        return swallow;
    }

    KeyboardHookProc procedure_;
    VirtualKeyFn virtualKey_;
    std::bitset<256> swallowedDown_;
};

} // namespace

std::unique_ptr<QObject> CreateKeyHookFilter(KeyboardHookProc procedure, VirtualKeyFn virtualKey)
{
    return std::make_unique<KeyHookFilter>(procedure, std::move(virtualKey));
}

} // namespace platform
