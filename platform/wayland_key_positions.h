#pragma once

#include "platform/key_position_source.h"
#include "platform/key_positions.h"

#include <cstdint>
#include <optional>

struct wl_display;
struct wl_event_queue;
struct wl_seat;
struct xkb_context;
struct xkb_keymap;

namespace platform {

// The compositor's keymap, read through a keyboard of our own on the seat
// that lives only as long as the compositor takes to send the keymap: at the
// first key, at the first key after each Reload, and at a key whose symbol
// the keymap read last does not give that key (the compositor changed the
// keymap, as virtual keyboards do for the symbols they type). Qt's key
// events carry the key code (the kernel's plus 8) and the symbol but not the
// group; the group is the one whose levels of that key hold the symbol.
class WaylandKeyPositionSource final : public KeyPositionSource {
public:
    WaylandKeyPositionSource(wl_display* display, wl_event_queue* queue, wl_seat* seat);
    ~WaylandKeyPositionSource() override;

    WaylandKeyPositionSource(const WaylandKeyPositionSource&) = delete;
    WaylandKeyPositionSource& operator=(const WaylandKeyPositionSource&) = delete;

    void Reload() override { stale_ = true; }
    int VirtualKey(const QKeyEvent& event) override;

    // The keymap's text as the compositor sends it; null for one that cannot be read.
    void SetKeymap(const char* text, std::size_t size);

private:
    void Read();

    wl_display* display_;
    wl_event_queue* queue_;
    wl_seat* seat_;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    KeyPositionTable table_;
    bool stale_ = true;
};

// The first group (layout) of the keymap whose levels of the key hold the
// symbol; none when no group does.
std::optional<uint32_t> GroupOfSymbol(xkb_keymap* keymap, uint32_t keycode, uint32_t keysym);

} // namespace platform
