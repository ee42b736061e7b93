#include "platform/wayland_key_positions.h"

#include <QKeyEvent>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

namespace {

void OnKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size)
{
    auto* source = static_cast<WaylandKeyPositionSource*>(data);
    void* map = format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0
                    ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0)
                    : MAP_FAILED;
    if (map != MAP_FAILED) {
        source->SetKeymap(static_cast<const char*>(map), size);
        munmap(map, size);
    } else {
        source->SetKeymap(nullptr, 0);
    }
    close(fd);
}

void OnEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void OnLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void OnKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

const wl_keyboard_listener kKeyboardListener = {OnKeymap, OnEnter, OnLeave, OnKey, OnModifiers, OnRepeatInfo};

} // namespace

std::optional<uint32_t> GroupOfSymbol(xkb_keymap* keymap, uint32_t keycode, uint32_t keysym)
{
    if (!keymap || keysym == XKB_KEY_NoSymbol)
        return std::nullopt;
    const xkb_layout_index_t groups = xkb_keymap_num_layouts_for_key(keymap, keycode);
    for (xkb_layout_index_t group = 0; group < groups; ++group) {
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, keycode, group);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            const xkb_keysym_t* syms = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, keycode, group, level, &syms);
            for (int i = 0; i < count; ++i)
                if (syms[i] == keysym)
                    return group;
        }
    }
    return std::nullopt;
}

WaylandKeyPositionSource::WaylandKeyPositionSource(wl_display* display, wl_event_queue* queue, wl_seat* seat)
    : display_(display), queue_(queue), seat_(seat), context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
{
}

WaylandKeyPositionSource::~WaylandKeyPositionSource()
{
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

void WaylandKeyPositionSource::SetKeymap(const char* text, std::size_t size)
{
    xkb_keymap_unref(keymap_);
    keymap_ = nullptr;
    table_ = KeyPositionTable();
    if (!text || !context_)
        return;
    keymap_ = xkb_keymap_new_from_buffer(context_, text, strnlen(text, size), XKB_KEYMAP_FORMAT_TEXT_V1,
                                         XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap_)
        table_ = KeyPositionTable(keymap_);
}

void WaylandKeyPositionSource::Read()
{
    // A keymap that cannot be read leaves every key to its Qt key until the
    // next Reload. The keyboard goes again at once, so that none of its
    // events (a focus change names one of Qt's surfaces) waits on our queue.
    stale_ = false;
    SetKeymap(nullptr, 0);
    if (!display_ || !queue_ || !seat_ || !context_)
        return;
    wl_keyboard* keyboard = wl_seat_get_keyboard(seat_);
    if (!keyboard)
        return;
    wl_keyboard_add_listener(keyboard, &kKeyboardListener, this);
    wl_display_roundtrip_queue(display_, queue_);
    if (wl_keyboard_get_version(keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
        wl_keyboard_release(keyboard);
    else
        wl_keyboard_destroy(keyboard);
    wl_display_flush(display_);
}

int WaylandKeyPositionSource::VirtualKey(const QKeyEvent& event)
{
    const uint32_t keycode = event.nativeScanCode();
    const uint32_t keysym = event.nativeVirtualKey();
    if (stale_)
        Read();
    std::optional<uint32_t> group = GroupOfSymbol(keymap_, keycode, keysym);
    if (!group && keysym != XKB_KEY_NoSymbol) {
        Read();
        group = GroupOfSymbol(keymap_, keycode, keysym);
    }
    // A key that the keymap cannot account for goes by its Qt key.
    if (!group)
        return 0;
    return table_.VirtualKey(keycode, *group);
}

} // namespace platform
