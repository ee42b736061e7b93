#include "platform/key_position_source.h"
#include "platform/wayland_key_positions.h"
#include "platform/key_positions.h"
#include "show/virtual_keys.h"

#include <gtest/gtest.h>

#include <QChar>
#include <QKeyEvent>

#include <xkbcommon/xkbcommon.h>

#include <map>
#include <memory>
#include <ostream>
#include <string>

namespace {

struct ContextDeleter {
    void operator()(xkb_context* c) const { xkb_context_unref(c); }
};
struct KeymapDeleter {
    void operator()(xkb_keymap* k) const { xkb_keymap_unref(k); }
};
struct StateDeleter {
    void operator()(xkb_state* s) const { xkb_state_unref(s); }
};
using Keymap = std::unique_ptr<xkb_keymap, KeymapDeleter>;

// A keymap as setxkbmap would make it, from the installed xkb-data.
Keymap LoadKeymap(const std::string& layouts)
{
    static const std::unique_ptr<xkb_context, ContextDeleter> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    const xkb_rule_names names{"evdev", "pc105", layouts.c_str(), "", ""};
    return Keymap(xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

class TableSource final : public platform::KeyPositionSource {
public:
    explicit TableSource(const platform::KeyPositionTable& table) : table_(table) {}
    void Reload() override {}
    int VirtualKey(const QKeyEvent& event) override { return platform::VirtualKeyFromPosition(table_, event); }

private:
    const platform::KeyPositionTable& table_;
};

// The keysym a press of the key gives in the group, with no modifier but
// NumLock if asked for.
xkb_keysym_t Keysym(xkb_keymap* keymap, uint32_t keycode, uint32_t group, bool numLock)
{
    const std::unique_ptr<xkb_state, StateDeleter> state(xkb_state_new(keymap));
    const xkb_mod_index_t num = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_NUM);
    const xkb_mod_mask_t locked = numLock && num != XKB_MOD_INVALID ? 1u << num : 0u;
    xkb_state_update_mask(state.get(), 0, 0, locked, 0, 0, group);
    return xkb_state_key_get_one_sym(state.get(), keycode);
}

// The event Qt's X11 plugin makes of that press: the Qt key of a keysym with
// a text is its first character upper-cased, keypad keysyms add the keypad
// modifier, and the native values are the X key code and state.
QKeyEvent PressAsQtMakesIt(xkb_keymap* keymap, uint32_t keycode, uint32_t group, bool numLock)
{
    const xkb_keysym_t sym = Keysym(keymap, keycode, group, numLock);
    const char32_t text = xkb_keysym_to_utf32(sym);
    const int qtKey = text ? static_cast<int>(QChar::toUpper(text)) : 0;
    const bool keypad = sym >= XKB_KEY_KP_Space && sym <= XKB_KEY_KP_Equal;
    return QKeyEvent(QEvent::KeyPress, qtKey, keypad ? Qt::KeypadModifier : Qt::NoModifier, keycode, sym,
                     group << 13);
}

// The virtual-key code the show gives a press of the key.
int ShowKey(xkb_keymap* keymap, uint32_t keycode, uint32_t group = 0, bool numLock = false)
{
    const platform::KeyPositionTable table(keymap);
    TableSource source(table);
    return VirtualKeyOfEvent(PressAsQtMakesIt(keymap, keycode, group, numLock), source);
}

// The X key codes of the letters and digits on a US keyboard, read from the
// us keymap itself.
std::map<char, uint32_t> UsPlaces()
{
    const Keymap us = LoadKeymap("us");
    std::map<char, uint32_t> places;
    for (uint32_t key = 8; key < 256; ++key) {
        const xkb_keysym_t sym = Keysym(us.get(), key, 0, false);
        if ((sym >= XKB_KEY_a && sym <= XKB_KEY_z) || (sym >= XKB_KEY_0 && sym <= XKB_KEY_9))
            places[static_cast<char>(sym)] = key;
    }
    return places;
}

// ------------------------------------------- layouts without Latin letters

class NonLatinLayoutTest : public ::testing::TestWithParam<const char*> {};

TEST_P(NonLatinLayoutTest, LettersAndDigitsComeFromTheirUsPlaces)
{
    const Keymap keymap = LoadKeymap(GetParam());
    ASSERT_TRUE(keymap) << "no keymap for layout " << GetParam() << " (is xkb-data installed?)";
    const std::map<char, uint32_t> places = UsPlaces();
    ASSERT_EQ(places.size(), 36u);
    for (const auto& [c, key] : places) {
        const int expected = c >= 'a' ? c - 'a' + 'A' : c;
        EXPECT_EQ(ShowKey(keymap.get(), key), expected)
            << "the key of US '" << c << "' (X key code " << key << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, NonLatinLayoutTest,
                         ::testing::Values("ru", "ua", "bg", "gr", "il", "ara"),
                         [](const auto& info) { return std::string(info.param); });

// --------------------------------------- layouts that keep their own letters

TEST(LatinLayoutTest, UsAndGermanKeysAreThoseOfTheirQtKeys)
{
    // Where each letter and digit lies on the first level, its place adds
    // nothing: every key keeps the code of its Qt key.
    for (const char* layout : {"us", "de"}) {
        const Keymap keymap = LoadKeymap(layout);
        ASSERT_TRUE(keymap) << layout;
        for (uint32_t key = 8; key < 256; ++key) {
            for (bool numLock : {false, true}) {
                const QKeyEvent press = PressAsQtMakesIt(keymap.get(), key, 0, numLock);
                EXPECT_EQ(ShowKey(keymap.get(), key, 0, numLock), VirtualKeyOfQtEvent(press))
                    << layout << ", X key code " << key << (numLock ? " with NumLock" : "");
            }
        }
    }
}

// ------------------------------------------------------------- single keys

struct KeyCase {
    const char* layouts;
    uint32_t group;
    uint32_t keycode;
    bool numLock;
    int expected;
    const char* what;
};

void PrintTo(const KeyCase& k, std::ostream* os)
{
    *os << k.layouts << " group " << k.group << ", X key code " << k.keycode << (k.numLock ? " with NumLock" : "")
        << ": " << k.what;
}

class KeyTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyTest, Maps)
{
    const KeyCase& k = GetParam();
    const Keymap keymap = LoadKeymap(k.layouts);
    ASSERT_TRUE(keymap) << k.layouts;
    EXPECT_EQ(ShowKey(keymap.get(), k.keycode, k.group, k.numLock), k.expected);
}

constexpr int kVkComma = 188;
constexpr int kVkNumpad0 = 96;

INSTANTIATE_TEST_SUITE_P(Keys, KeyTest, ::testing::Values(
    // AZERTY: A/Q and Z/W swapped, M right of L, and the key under M's US
    // place is the comma key.
    KeyCase{"fr", 0, 24, false, 'A', "A where US has Q"},
    KeyCase{"fr", 0, 38, false, 'Q', "Q where US has A"},
    KeyCase{"fr", 0, 25, false, 'Z', "Z where US has W"},
    KeyCase{"fr", 0, 52, false, 'W', "W where US has Z"},
    KeyCase{"fr", 0, 47, false, 'M', "M where US has ;"},
    KeyCase{"fr", 0, 58, false, kVkComma, "the comma key where US has M"},
    // The top row carries the digits on its shifted level.
    KeyCase{"fr", 0, 10, false, '1', "& 1"},
    KeyCase{"fr", 0, 16, false, '7', "è 7"},
    KeyCase{"fr", 0, 19, false, '0', "à 0"},
    // QWERTZ.
    KeyCase{"de", 0, 29, false, 'Z', "Z where US has Y"},
    KeyCase{"de", 0, 52, false, 'Y', "Y where US has Z"},
    // The group in the event's state picks the layout.
    KeyCase{"fr,ru", 0, 24, false, 'A', "French A"},
    KeyCase{"fr,ru", 1, 24, false, 'Q', "Russian й at US Q"},
    KeyCase{"fr,ru", 1, 38, false, 'A', "Russian ф at US A"},
    KeyCase{"fr,ru", 1, 58, false, 'M', "Russian ь at US M"},
    KeyCase{"ru,us", 0, 28, false, 'T', "Russian е at US T"},
    KeyCase{"ru,us", 1, 28, false, 'T', "US T"},
    // Keypad digits keep their keypad codes.
    KeyCase{"ru", 0, 87, true, kVkNumpad0 + 1, "keypad 1"},
    KeyCase{"ru", 0, 90, true, kVkNumpad0, "keypad 0"},
    KeyCase{"fr", 0, 89, true, kVkNumpad0 + 3, "keypad 3"}));

} // namespace

namespace {

// On Wayland the event gives the key's symbol but not its group: the group
// is the one whose levels of the key hold that symbol.
TEST(GroupOfSymbolTest, FindsTheLayoutThatGaveTheSymbol)
{
    const Keymap keymap = LoadKeymap("fr,ru");
    ASSERT_TRUE(keymap);
    constexpr uint32_t kUsQ = 24, kUsA = 38, kUsOne = 10;
    EXPECT_EQ(platform::GroupOfSymbol(keymap.get(), kUsQ, XKB_KEY_a), 0u);
    EXPECT_EQ(platform::GroupOfSymbol(keymap.get(), kUsQ, XKB_KEY_A), 0u) << "a shifted level";
    EXPECT_EQ(platform::GroupOfSymbol(keymap.get(), kUsQ, XKB_KEY_Cyrillic_shorti), 1u);
    EXPECT_EQ(platform::GroupOfSymbol(keymap.get(), kUsQ, XKB_KEY_Cyrillic_SHORTI), 1u);
    EXPECT_EQ(platform::GroupOfSymbol(keymap.get(), kUsA, XKB_KEY_Cyrillic_ef), 1u);
    // French gives & on the level of no modifier and 1 shifted; Russian 1 unshifted.
    EXPECT_EQ(platform::GroupOfSymbol(keymap.get(), kUsOne, XKB_KEY_1), 0u);
    // A symbol the key does not hold (the keymap has changed since), and no symbol.
    EXPECT_EQ(platform::GroupOfSymbol(keymap.get(), kUsQ, XKB_KEY_Cyrillic_ef), std::nullopt);
    EXPECT_EQ(platform::GroupOfSymbol(keymap.get(), kUsQ, XKB_KEY_NoSymbol), std::nullopt);
    EXPECT_EQ(platform::GroupOfSymbol(nullptr, kUsQ, XKB_KEY_a), std::nullopt);

    // With the group found, the Russian й at US Q stands for Q.
    const platform::KeyPositionTable table(keymap.get());
    EXPECT_EQ(table.VirtualKey(kUsQ, *platform::GroupOfSymbol(keymap.get(), kUsQ, XKB_KEY_Cyrillic_shorti)), 'Q');
    EXPECT_EQ(table.VirtualKey(kUsQ, *platform::GroupOfSymbol(keymap.get(), kUsQ, XKB_KEY_a)), 'A');
}

} // namespace
