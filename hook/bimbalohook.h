#pragma once

// The keyboard-lock library's C interface, shared by the library, the
// program that loads it and the platform hook that feeds it key records.
// The names and numbers follow the Windows low-level keyboard hook, so that
// a key record reads the same on every platform.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Hook codes: only BIMBALOHOOK_HC_ACTION carries a key record.
#define BIMBALOHOOK_HC_ACTION 0

// The keyboard message, passed as wParam.
#define BIMBALOHOOK_WM_KEYDOWN 0x0100
#define BIMBALOHOOK_WM_KEYUP 0x0101
#define BIMBALOHOOK_WM_SYSKEYDOWN 0x0104
#define BIMBALOHOOK_WM_SYSKEYUP 0x0105

// Bits of BimbaloKeyRecord::flags.
#define BIMBALOHOOK_FLAG_EXTENDED 0x01
#define BIMBALOHOOK_FLAG_INJECTED 0x10
#define BIMBALOHOOK_FLAG_ALTDOWN 0x20
#define BIMBALOHOOK_FLAG_UP 0x80

// Virtual-key code for a key that has none of its own (vendor keys such as
// power or launcher buttons).
#define BIMBALOHOOK_VK_UNMAPPED 0xFF

// One key press or release; lParam of the hook procedure points to it.
typedef struct BimbaloKeyRecord {
    uint32_t vkCode;   // Windows virtual-key code
    uint32_t scanCode; // hardware scan code
    uint32_t flags;    // BIMBALOHOOK_FLAG_*
    uint32_t time;     // milliseconds, the event's own time stamp
    uintptr_t extra;   // extra information, unused by the library
} BimbaloKeyRecord;

// globalkeyboardhook_ll: returns non-zero to swallow the key.
typedef intptr_t (*BimbaloHookProc)(int nCode, uintptr_t wParam, intptr_t lParam);
// sethandles: the application's window and the installed hook (0 when
// installing failed). Its result is not used.
typedef void (*BimbaloSetHandlesProc)(uintptr_t appWindow, uintptr_t hook);

#define BIMBALOHOOK_PROC_NAME "globalkeyboardhook_ll"
#define BIMBALOHOOK_SETHANDLES_NAME "sethandles"

#ifdef __cplusplus
}
#endif
