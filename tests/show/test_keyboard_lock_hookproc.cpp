// The lock library's answers, key by key, through its exported entry points.

#include "hook/bimbalohook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

extern "C" intptr_t globalkeyboardhook_ll(int nCode, uintptr_t wParam, intptr_t lParam);
extern "C" void sethandles(uintptr_t appWindow, uintptr_t hook);

namespace {

constexpr uintptr_t DOWN = BIMBALOHOOK_WM_KEYDOWN;
constexpr uintptr_t UP = BIMBALOHOOK_WM_KEYUP;
constexpr uintptr_t SYSDOWN = BIMBALOHOOK_WM_SYSKEYDOWN;
constexpr uintptr_t SYSUP = BIMBALOHOOK_WM_SYSKEYUP;
constexpr uint32_t ALTFLAG = BIMBALOHOOK_FLAG_ALTDOWN;
constexpr uint32_t UPFLAG = BIMBALOHOOK_FLAG_UP;

enum Vk : uint32_t {
    Back = 8, Tab = 9, Return = 13, Shift = 16, Ctrl = 17, Alt = 18, Esc = 27, Space = 32,
    PageUp = 33, PageDown = 34, Left = 37, Snapshot = 44, LWin = 91, RWin = 92, Apps = 93,
    Sleep = 95, F1 = 112, F4 = 115, F12 = 123, F24 = 135, LAlt = 164, RAlt = 165,
    BrowserBack = 166, VolumeUp = 175, MediaPlay = 179, LaunchApp2 = 183,
};

// A key record, or (reset) a sethandles call.
struct Step {
    uintptr_t message;
    uint32_t vk;
    uint32_t flags = 0;
    bool reset = false;
};

Step Reset() { return {0, 0, 0, true}; }

struct Row {
    std::string name;
    std::vector<Step> steps; // the last one is judged
    bool swallowed;
};

std::ostream& operator<<(std::ostream& os, const Row& row) { return os << row.name; }

intptr_t Feed(const Step& step)
{
    if (step.reset) {
        sethandles(0x400001, 0);
        return 0;
    }
    BimbaloKeyRecord record{step.vk, 0, step.flags, 1000, 0};
    return globalkeyboardhook_ll(BIMBALOHOOK_HC_ACTION, step.message,
                                 reinterpret_cast<intptr_t>(&record));
}

class HookProcedure : public testing::TestWithParam<Row> {};

TEST_P(HookProcedure, Answers)
{
    const Row& row = GetParam();
    sethandles(0x400001, 0x7);
    intptr_t verdict = 0;
    for (const Step& step : row.steps)
        verdict = Feed(step);
    EXPECT_EQ(verdict != 0, row.swallowed);
}

// Modifiers reach the library either as earlier key records (tracked) or
// through the record's Alt flag; rows use both.
const Row kRows[] = {
    // Window switching and closing.
    {"AltTab", {{SYSDOWN, Alt, ALTFLAG}, {SYSDOWN, Tab, ALTFLAG}}, true},
    {"AltTabTrackedOnly", {{DOWN, Alt}, {DOWN, Tab}}, true},
    {"AltTabFlagOnly", {{SYSDOWN, Tab, ALTFLAG}}, true},
    {"AltShiftTab", {{SYSDOWN, Alt}, {SYSDOWN, Shift}, {SYSDOWN, Tab}}, true},
    {"AltTabRelease", {{SYSDOWN, Alt}, {SYSUP, Tab, UPFLAG}}, true},
    {"RightAltTab", {{SYSDOWN, RAlt}, {SYSDOWN, Tab}}, true},
    {"AltF4", {{SYSDOWN, Alt}, {SYSDOWN, F4}}, true},
    {"AltEsc", {{SYSDOWN, Alt}, {SYSDOWN, Esc}}, true},
    {"CtrlEsc", {{DOWN, Ctrl}, {DOWN, Esc}}, true},
    {"CtrlShiftEsc", {{DOWN, Ctrl}, {DOWN, Shift}, {DOWN, Esc}}, true},
    {"AltSpace", {{SYSDOWN, Alt}, {SYSDOWN, Space}}, true},
    // System, function, media and power keys, with or without modifiers.
    {"LeftSuper", {{DOWN, LWin}}, true},
    {"RightSuper", {{DOWN, RWin}}, true},
    {"SuperRelease", {{DOWN, LWin}, {UP, LWin, UPFLAG}}, true},
    {"Menu", {{DOWN, Apps}}, true},
    {"F1", {{DOWN, F1}}, true},
    {"F12", {{DOWN, F12}}, true},
    {"F24", {{DOWN, F24}}, true},
    {"F1Release", {{UP, F1, UPFLAG}}, true},
    {"PrintScreen", {{DOWN, Snapshot}}, true},
    {"Sleep", {{DOWN, Sleep}}, true},
    {"BrowserBack", {{DOWN, BrowserBack}}, true},
    {"VolumeUp", {{DOWN, VolumeUp}}, true},
    {"MediaPlay", {{DOWN, MediaPlay}}, true},
    {"LaunchApp2", {{DOWN, LaunchApp2}}, true},
    {"VendorKeyWithoutCode", {{DOWN, BIMBALOHOOK_VK_UNMAPPED}}, true},
    // The keys the show handles pass, also under modifiers.
    {"Q", {{DOWN, 'Q'}}, false},
    {"U", {{DOWN, 'U'}}, false},
    {"I", {{DOWN, 'I'}}, false},
    {"T", {{DOWN, 'T'}}, false},
    {"TRelease", {{DOWN, 'T'}, {UP, 'T', UPFLAG}}, false},
    {"A", {{DOWN, 'A'}}, false},
    {"Digit0", {{DOWN, '0'}}, false},
    {"Digit9", {{DOWN, '9'}}, false},
    {"Space", {{DOWN, Space}}, false},
    {"Backspace", {{DOWN, Back}}, false},
    {"EscAlone", {{DOWN, Esc}}, false},
    {"ShiftEsc", {{DOWN, Shift}, {DOWN, Esc}}, false},
    {"PageUp", {{DOWN, PageUp}}, false},
    {"PageDown", {{DOWN, PageDown}}, false},
    {"Return", {{DOWN, Return}}, false},
    {"Arrow", {{DOWN, Left}}, false},
    {"Tab", {{DOWN, Tab}}, false},
    {"AltAlone", {{SYSDOWN, Alt, ALTFLAG}}, false},
    {"AltQ", {{SYSDOWN, Alt}, {SYSDOWN, 'Q', ALTFLAG}}, false},
    {"CtrlT", {{DOWN, Ctrl}, {DOWN, 'T'}}, false},
    {"SuperHeldU", {{DOWN, LWin}, {DOWN, 'U'}}, false},
    {"CtrlSpace", {{DOWN, Ctrl}, {DOWN, Space}}, false},
    // Modifier releases are followed.
    {"AltReleasedThenTab", {{SYSDOWN, Alt}, {SYSUP, Alt, UPFLAG}, {DOWN, Tab}}, false},
    {"AltReleasedThenSpace", {{SYSDOWN, Alt}, {SYSUP, Alt, UPFLAG}, {DOWN, Space}}, false},
    {"CtrlReleasedThenEsc", {{DOWN, Ctrl}, {UP, Ctrl, UPFLAG}, {DOWN, Esc}}, false},
    {"ReleaseKnownByFlagOnly", {{DOWN, Ctrl}, {0, Ctrl, UPFLAG}, {DOWN, Esc}}, false},
    {"OneAltOfTwoReleased", {{SYSDOWN, LAlt}, {SYSDOWN, RAlt}, {SYSUP, LAlt, UPFLAG}, {SYSDOWN, Tab}}, true},
    {"GenericAndSidedAlt", {{SYSDOWN, Alt}, {SYSDOWN, LAlt}, {SYSUP, Alt, UPFLAG}, {SYSDOWN, Tab}}, true},
    // A new lock forgets modifiers seen before it.
    {"ResetForgetsAlt", {{SYSDOWN, Alt}, Reset(), {DOWN, Tab}}, false},
    {"ResetWithEmptyHookStillAnswers", {Reset(), {DOWN, F1}}, true},
};

INSTANTIATE_TEST_SUITE_P(Keys, HookProcedure, testing::ValuesIn(kRows),
                         [](const auto& info) { return info.param.name; });

TEST(HookProcedureCalls, OnlyKeyRecordsAreJudged)
{
    sethandles(0, 0);
    BimbaloKeyRecord f1{F1, 0, 0, 0, 0};
    const auto lParam = reinterpret_cast<intptr_t>(&f1);
    EXPECT_NE(globalkeyboardhook_ll(BIMBALOHOOK_HC_ACTION, DOWN, lParam), 0);
    EXPECT_EQ(globalkeyboardhook_ll(-1, DOWN, lParam), 0);
    EXPECT_EQ(globalkeyboardhook_ll(3, DOWN, lParam), 0);
    EXPECT_EQ(globalkeyboardhook_ll(BIMBALOHOOK_HC_ACTION, DOWN, 0), 0);
}

} // namespace
