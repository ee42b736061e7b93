#include "platform/key_positions.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <memory>

namespace platform {

namespace {

// X key codes of the letters and digits on a US keyboard, indexed from 'A'
// and '0'.
constexpr uint8_t kUsLetterKeys[26] = {
    38, 56, 54, 40, 26, 41, 42, 43, 31, 44, 45, 46, 58, // A..M
    57, 32, 33, 24, 27, 39, 28, 30, 55, 25, 53, 29, 52, // N..Z
};
constexpr uint8_t kUsDigitKeys[10] = {19, 10, 11, 12, 13, 14, 15, 16, 17, 18}; // 0..9

int LatinCode(xkb_keysym_t sym)
{
    if (sym >= XKB_KEY_a && sym <= XKB_KEY_z)
        return static_cast<int>(sym - XKB_KEY_a) + 'A';
    if (sym >= XKB_KEY_A && sym <= XKB_KEY_Z)
        return static_cast<int>(sym - XKB_KEY_A) + 'A';
    if (sym >= XKB_KEY_0 && sym <= XKB_KEY_9)
        return static_cast<int>(sym - XKB_KEY_0) + '0';
    return 0;
}

struct StateDeleter {
    void operator()(xkb_state* s) const { xkb_state_unref(s); }
};

} // namespace

KeyPositionTable::KeyPositionTable(xkb_keymap* keymap)
{
    if (!keymap)
        return;
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts(keymap);
    for (xkb_layout_index_t g = 0; g < layouts; ++g)
        groups_.push_back(BuildGroup(keymap, g));
}

KeyPositionTable::Codes KeyPositionTable::BuildGroup(xkb_keymap* keymap, uint32_t group)
{
    Codes codes{};
    // A key with fewer groups than the keyboard falls back on one of its own
    // (wrapped, clamped or redirected); the state knows which.
    const std::unique_ptr<xkb_state, StateDeleter> state(xkb_state_new(keymap));
    if (!state)
        return codes;
    xkb_state_update_mask(state.get(), 0, 0, 0, 0, 0, group);

    bool carried[128] = {};
    const xkb_keycode_t last = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(keymap), 255);
    for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= last; ++key) {
        const xkb_layout_index_t layout = xkb_state_key_get_layout(state.get(), key);
        if (layout == XKB_LAYOUT_INVALID)
            continue;
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, key, layout);
        for (xkb_level_index_t level = 0; level < levels && codes[key] == 0; ++level) {
            const xkb_keysym_t* syms = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, key, layout, level, &syms);
            for (int i = 0; i < count; ++i) {
                if (const int code = LatinCode(syms[i])) {
                    codes[key] = static_cast<uint8_t>(code);
                    carried[code] = true;
                    break;
                }
            }
        }
    }

    auto place = [&](int code, uint8_t key) {
        if (!carried[code] && codes[key] == 0)
            codes[key] = static_cast<uint8_t>(code);
    };
    for (int i = 0; i < 26; ++i)
        place('A' + i, kUsLetterKeys[i]);
    for (int i = 0; i < 10; ++i)
        place('0' + i, kUsDigitKeys[i]);
    return codes;
}

int KeyPositionTable::VirtualKey(uint32_t keycode, uint32_t group) const
{
    if (groups_.empty() || keycode > 255)
        return 0;
    return groups_[group % groups_.size()][keycode];
}

} // namespace platform
