#pragma once

#include <array>
#include <cstdint>
#include <vector>

struct xkb_keymap;

namespace platform {

// The letter and digit keys of a keymap, group by group, as Windows numbers
// them: a key whose levels carry a Latin letter or digit (the lowest level
// that does) gets that character's virtual-key code; a letter or digit that
// no key of the group carries goes to the key at its place on a US keyboard,
// if that key has no code yet. So under a Cyrillic or Greek layout the letter
// keys get the codes of their US letters, while AZERTY or QWERTZ keep their
// own. Keys are X key codes (the kernel's key codes plus 8).
class KeyPositionTable {
public:
    // No key has a code.
    KeyPositionTable() = default;
    explicit KeyPositionTable(xkb_keymap* keymap);

    // The virtual-key code ('A'..'Z', '0'..'9') of the key in the given group
    // (the effective group of the keyboard, as X reports it in a key event's
    // state), or 0 when the key's own symbol is to decide.
    int VirtualKey(uint32_t keycode, uint32_t group) const;

    std::size_t groups() const { return groups_.size(); }

private:
    using Codes = std::array<uint8_t, 256>;
    static Codes BuildGroup(xkb_keymap* keymap, uint32_t group);

    std::vector<Codes> groups_;
};

} // namespace platform
