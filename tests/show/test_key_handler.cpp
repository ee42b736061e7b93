#include "show/key_handler.h"
#include "show/virtual_keys.h"

#include <gtest/gtest.h>

#include <Qt>

#include <ostream>
#include <string>
#include <vector>

namespace {

using Clock = ShowKeyHandler::Clock;
using std::chrono::milliseconds;

constexpr int A = 'A';
constexpr int X = 'X';

struct Event {
    int ms;
    bool down;
    int key;
};

// A key press that the handler accepted, and what it asked for.
struct Accepted {
    int ms;
    int step;
    bool splash = false;
    bool close = false;
    bool operator==(const Accepted&) const = default;
};

void PrintTo(const Accepted& a, std::ostream* os)
{
    *os << "{" << a.ms << " ms: step " << a.step << (a.splash ? ", splash" : "")
        << (a.close ? ", close" : "") << "}";
}

struct Scenario {
    const char* name;
    bool advanceKeypress;
    std::vector<Event> events;
    std::vector<Accepted> accepted;
    std::string quitLetters; // after the last event
};

Event Down(int ms, int key) { return {ms, true, key}; }
Event Up(int ms) { return {ms, false, 0}; }

// Keys typed one after another, each released before the next.
std::vector<Event> Typed(std::vector<int> keys, int startMs = 0)
{
    std::vector<Event> events;
    int t = startMs;
    for (int key : keys) {
        events.push_back(Down(t, key));
        events.push_back(Up(t + 80));
        t += 150;
    }
    return events;
}

// A key held with auto-repeat from fromMs to toMs, then released.
std::vector<Event> Held(int key, int fromMs, int toMs, int repeatMs)
{
    std::vector<Event> events;
    for (int t = fromMs; t <= toMs; t += repeatMs)
        events.push_back(Down(t, key));
    events.push_back(Up(toMs));
    return events;
}

std::vector<Event> operator+(std::vector<Event> a, const std::vector<Event>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Accepted presses of Typed(keys): 150 ms apart, all stepping by step.
std::vector<Accepted> EachStep(int count, int step, int closeAt = -1)
{
    std::vector<Accepted> out;
    for (int i = 0; i < count; ++i)
        out.push_back({150 * i, step, false, i == closeAt});
    return out;
}

class KeyScenarioTest : public ::testing::TestWithParam<Scenario> {};

TEST_P(KeyScenarioTest, Runs)
{
    const Scenario& s = GetParam();
    const Clock::time_point start = Clock::now();
    ShowKeyHandler handler(start);
    std::vector<Accepted> accepted;
    for (const Event& e : s.events) {
        const Clock::time_point now = start + milliseconds(e.ms);
        if (!e.down) {
            handler.FormKeyUp(now);
            continue;
        }
        const KeyResult r = handler.FormKeyDown(e.key, s.advanceKeypress, now);
        if (r.handled) {
            accepted.push_back({e.ms, r.step, r.showSplash, r.close});
        } else {
            EXPECT_EQ(r.step, 0) << "throttled key at " << e.ms;
            EXPECT_FALSE(r.showSplash) << "throttled key at " << e.ms;
            EXPECT_FALSE(r.close) << "throttled key at " << e.ms;
        }
    }
    EXPECT_EQ(accepted, s.accepted);
    EXPECT_EQ(handler.quit_letters(), s.quitLetters);
}

const int Q = vk::Q, U = vk::U, I = vk::I, T = vk::T;

INSTANTIATE_TEST_SUITE_P(Keys, KeyScenarioTest, ::testing::Values(
    // Throttle.
    Scenario{"HeldKeyStepsEveryTwoSeconds", true, Held(A, 0, 5000, 30),
             {{0, 1}, {2010, 1}, {4020, 1}}, ""},
    Scenario{"RepeatJustUnderTwoSecondsIsDropped", true,
             {Down(0, A), Down(1999, A), Down(2000, A), Down(3999, A), Down(4000, A)},
             {{0, 1}, {2000, 1}, {4000, 1}}, ""},
    Scenario{"PressReleasePressQuickly", true, {Down(0, A), Up(40), Down(90, A)},
             {{0, 1}, {90, 1}}, ""},
    Scenario{"ReleaseOfAnotherKeyReArms", true,
             {Down(0, A), Down(100, X), Up(150), Down(200, vk::Prior)},
             {{0, 1}, {200, -1}}, ""},
    // A dropped key would have cleared the sequence; it must not.
    Scenario{"SecondKeyWhileHeldIsIgnoredEntirely", true,
             {Down(0, Q), Down(500, X), Up(700), Up(800), Down(1000, U)},
             {{0, 1}, {1000, 1}}, "qu"},
    Scenario{"DroppedLettersDoNotCountForQuitting", true,
             std::vector<Event>{Down(0, Q), Down(300, U), Up(400), Up(450)} + Typed({I, T}, 1000),
             {{0, 1}, {1000, 1}, {1150, 1}}, "q"},
    Scenario{"DroppedTDoesNotClose", true,
             Typed({Q, U}) + std::vector<Event>{Down(300, I), Down(900, T)},
             {{0, 1}, {150, 1}, {300, 1}}, "qui"},
    // Quit sequence; each letter still steps, the closing T included.
    Scenario{"QuitStepsOnEveryLetter", true, Typed({Q, U, I, T}), EachStep(4, 1, 3), "qui"},
    Scenario{"SpaceInsideQuitClears", true, Typed({Q, U, vk::Space, I, T}), EachStep(5, 1),
             ""},
    Scenario{"OtherKeyInsideQuitClears", true, Typed({Q, U, X, I, T}), EachStep(5, 1), ""},
    Scenario{"RepeatedULetterIsForgiven", true, Typed({Q, U, I, U, T}), EachStep(5, 1, 4),
             "qui"},
    Scenario{"EarlyLettersAreIgnored", true, Typed({Q, I, U, I, T}), EachStep(5, 1, 4),
             "qui"},
    Scenario{"LettersBeforeQCountForNothing", true, Typed({U, I, T}), EachStep(3, 1), ""},
    Scenario{"QRestarts", true, Typed({Q, U, I, Q, T}), EachStep(5, 1), "q"},
    Scenario{"QAgainThenQuit", true, Typed({Q, U, Q, U, I, T}), EachStep(6, 1, 5), "qui"},
    Scenario{"SecondTAlsoCloses", true, Typed({Q, U, I, T, T}),
             {{0, 1}, {150, 1}, {300, 1}, {450, 1, false, true}, {600, 1, false, true}},
             "qui"},
    Scenario{"QuitWithoutAdvanceStepsZero", false, Typed({Q, U, I, T}), EachStep(4, 0, 3),
             "qui"},
    // Steps.
    Scenario{"StepKeysWithAdvance", true,
             Typed({vk::Back, vk::Prior, vk::Next, vk::Space, A, vk::Escape, 0}),
             {{0, 0}, {150, -1}, {300, 1}, {450, 1}, {600, 1}, {750, 1, true}, {900, 1}}, ""},
    Scenario{"StepKeysWithoutAdvance", false,
             Typed({vk::Back, vk::Prior, vk::Next, vk::Space, A, vk::Escape, vk::Return}),
             {{0, 0}, {150, -1}, {300, 1}, {450, 1}, {600, 0}, {750, 0, true}, {900, 0}}, ""},
    Scenario{"EscClearsTheSequence", true, Typed({Q, U, I, vk::Escape, T}),
             {{0, 1}, {150, 1}, {300, 1}, {450, 1, true}, {600, 1}}, ""}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

TEST(ShowKeyHandler, FirstKeyIsAcceptedRightAfterCreation)
{
    const Clock::time_point t = Clock::now();
    ShowKeyHandler handler(t);
    EXPECT_TRUE(handler.FormKeyDown(A, true, t).handled);
}

TEST(ShowKeyHandler, ResetClearsQuitLettersOnly)
{
    const Clock::time_point t = Clock::now();
    ShowKeyHandler handler(t);
    handler.FormKeyDown(Q, true, t);
    ASSERT_EQ(handler.quit_letters(), "q");
    handler.resetQuitLetters();
    EXPECT_EQ(handler.quit_letters(), "");
    // The throttle is not re-armed by a reset.
    EXPECT_FALSE(handler.FormKeyDown(A, true, t + milliseconds(100)).handled);
}

// ---------------------------------------------------------------- key codes

struct KeyCase {
    int qtKey;
    bool keypad;
    int expected;
};

class VirtualKeyTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(VirtualKeyTest, Maps)
{
    const KeyCase& k = GetParam();
    EXPECT_EQ(VirtualKeyFromQtKey(k.qtKey, k.keypad), k.expected)
        << "Qt key 0x" << std::hex << k.qtKey << (k.keypad ? " (keypad)" : "");
}

INSTANTIATE_TEST_SUITE_P(Keys, VirtualKeyTest, ::testing::Values(
    KeyCase{Qt::Key_A, false, 65}, KeyCase{Qt::Key_Z, false, 90},
    KeyCase{Qt::Key_Q, false, 81}, KeyCase{Qt::Key_U, false, 85},
    KeyCase{Qt::Key_I, false, 73}, KeyCase{Qt::Key_T, false, 84},
    KeyCase{'q', false, 81}, KeyCase{'t', false, 84},
    KeyCase{Qt::Key_0, false, 48}, KeyCase{Qt::Key_9, false, 57},
    KeyCase{Qt::Key_Backspace, false, 8}, KeyCase{Qt::Key_Tab, false, 9},
    KeyCase{Qt::Key_Backtab, false, 9}, KeyCase{Qt::Key_Return, false, 13},
    KeyCase{Qt::Key_Enter, true, 13}, KeyCase{Qt::Key_Shift, false, 16},
    KeyCase{Qt::Key_Control, false, 17}, KeyCase{Qt::Key_Alt, false, 18},
    KeyCase{Qt::Key_Pause, false, 19}, KeyCase{Qt::Key_CapsLock, false, 20},
    KeyCase{Qt::Key_Escape, false, 27}, KeyCase{Qt::Key_Space, false, 32},
    KeyCase{Qt::Key_PageUp, false, 33}, KeyCase{Qt::Key_PageDown, false, 34},
    KeyCase{Qt::Key_End, false, 35}, KeyCase{Qt::Key_Home, false, 36},
    KeyCase{Qt::Key_Left, false, 37}, KeyCase{Qt::Key_Up, false, 38},
    KeyCase{Qt::Key_Right, false, 39}, KeyCase{Qt::Key_Down, false, 40},
    KeyCase{Qt::Key_Print, false, 44}, KeyCase{Qt::Key_Insert, false, 45},
    KeyCase{Qt::Key_Delete, false, 46}, KeyCase{Qt::Key_Super_L, false, 91},
    KeyCase{Qt::Key_Super_R, false, 92}, KeyCase{Qt::Key_Menu, false, 93},
    KeyCase{Qt::Key_F1, false, 112}, KeyCase{Qt::Key_F12, false, 123},
    KeyCase{Qt::Key_F24, false, 135}, KeyCase{Qt::Key_F25, false, 0},
    KeyCase{Qt::Key_NumLock, false, 144}, KeyCase{Qt::Key_ScrollLock, false, 145},
    // The keypad: digits and operators have codes of their own, navigation
    // keys (Num Lock off) do not.
    KeyCase{Qt::Key_0, true, 96}, KeyCase{Qt::Key_9, true, 105},
    KeyCase{Qt::Key_Asterisk, true, 106}, KeyCase{Qt::Key_Plus, true, 107},
    KeyCase{Qt::Key_Minus, true, 109}, KeyCase{Qt::Key_Period, true, 110},
    KeyCase{Qt::Key_Slash, true, 111}, KeyCase{Qt::Key_PageUp, true, 33},
    KeyCase{Qt::Key_Home, true, 36},
    // Shifted symbols give the key they are typed on.
    KeyCase{Qt::Key_Exclam, false, 49}, KeyCase{Qt::Key_ParenRight, false, 48},
    KeyCase{Qt::Key_Asterisk, false, 56}, KeyCase{Qt::Key_Plus, false, 187},
    KeyCase{Qt::Key_Minus, false, 189}, KeyCase{Qt::Key_Question, false, 191},
    KeyCase{Qt::Key_unknown, false, 0}, KeyCase{Qt::Key_Adiaeresis, false, 0},
    KeyCase{0, false, 0}));

} // namespace
