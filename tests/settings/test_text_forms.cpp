#include "settings/text_forms.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace {

std::string Message(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EConvertError& e) {
        return e.what();
    }
    return "(no error)";
}

// ---------------------------------------------------------------- whole numbers

struct IntCase {
    const char* text;
    std::optional<std::int32_t> value; // nullopt: not a whole number
};

class StrToIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(StrToIntTest, ReadsOrRejects)
{
    const IntCase& c = GetParam();
    const QString text = QString::fromUtf8(c.text);
    std::int32_t v = 12345;
    const bool ok = TryStrToInt(text, v);
    if (c.value) {
        ASSERT_TRUE(ok) << c.text;
        EXPECT_EQ(v, *c.value) << c.text;
        EXPECT_EQ(StrToInt(text), *c.value);
    } else {
        EXPECT_FALSE(ok) << c.text;
        EXPECT_EQ(Message([&] { StrToInt(text); }), "'" + std::string(c.text) + "' is not a valid integer value");
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, StrToIntTest, ::testing::Values(
    IntCase{"0", 0}, IntCase{"5000", 5000}, IntCase{"-5", -5}, IntCase{"+7", 7}, IntCase{"007", 7},
    IntCase{"$1", 1}, IntCase{"x1F", 31}, IntCase{"X1f", 31}, IntCase{"0x10", 16}, IntCase{"0X10", 16},
    IntCase{"-$10", -16}, IntCase{"$FFFFFFFF", -1}, IntCase{"$80000000", INT32_MIN},
    IntCase{"  12", 12}, IntCase{"  -12", -12},
    IntCase{"2147483647", INT32_MAX}, IntCase{"-2147483648", INT32_MIN},
    IntCase{"", std::nullopt}, IntCase{" ", std::nullopt}, IntCase{"-", std::nullopt},
    IntCase{"12 ", std::nullopt}, IntCase{"1a", std::nullopt}, IntCase{"1.5", std::nullopt},
    IntCase{"$", std::nullopt}, IntCase{"0x", std::nullopt}, IntCase{"$G", std::nullopt},
    IntCase{"2147483648", std::nullopt}, IntCase{"-2147483649", std::nullopt},
    IntCase{"$100000000", std::nullopt}, IntCase{"99999999999999999999", std::nullopt},
    IntCase{"yes", std::nullopt}, IntCase{"- 5", std::nullopt}, IntCase{"\t5", std::nullopt},
    IntCase{"\xd9\xa3", std::nullopt} /* a non-ASCII digit */));

// ---------------------------------------------------------------- colours

struct NamedColour {
    const char* name;
    TColor value;
};

class ColourNameTest : public ::testing::TestWithParam<NamedColour> {};

TEST_P(ColourNameTest, NameAndValueConvertBothWaysInAnyCase)
{
    const NamedColour& c = GetParam();
    const QString name = QString::fromLatin1(c.name);
    EXPECT_EQ(ColorToString(c.value), name);
    EXPECT_EQ(StringToColor(name), c.value);
    EXPECT_EQ(StringToColor(name.toLower()), c.value);
    EXPECT_EQ(StringToColor(name.toUpper()), c.value);
}

constexpr TColor Rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

INSTANTIATE_TEST_SUITE_P(Forms, ColourNameTest, ::testing::Values(
    NamedColour{"clBlack", Rgb(0, 0, 0)}, NamedColour{"clMaroon", Rgb(128, 0, 0)},
    NamedColour{"clGreen", Rgb(0, 128, 0)}, NamedColour{"clOlive", Rgb(128, 128, 0)},
    NamedColour{"clNavy", Rgb(0, 0, 128)}, NamedColour{"clPurple", Rgb(128, 0, 128)},
    NamedColour{"clTeal", Rgb(0, 128, 128)}, NamedColour{"clGray", Rgb(128, 128, 128)},
    NamedColour{"clSilver", Rgb(192, 192, 192)}, NamedColour{"clRed", Rgb(255, 0, 0)},
    NamedColour{"clLime", Rgb(0, 255, 0)}, NamedColour{"clYellow", Rgb(255, 255, 0)},
    NamedColour{"clBlue", Rgb(0, 0, 255)}, NamedColour{"clFuchsia", Rgb(255, 0, 255)},
    NamedColour{"clAqua", Rgb(0, 255, 255)}, NamedColour{"clWhite", Rgb(255, 255, 255)},
    NamedColour{"clMoneyGreen", Rgb(192, 220, 192)}, NamedColour{"clSkyBlue", Rgb(166, 202, 240)},
    NamedColour{"clCream", Rgb(255, 251, 240)}, NamedColour{"clMedGray", Rgb(160, 160, 164)},
    NamedColour{"clActiveBorder", 0xFF00000A}, NamedColour{"clActiveCaption", 0xFF000002},
    NamedColour{"clAppWorkSpace", 0xFF00000C}, NamedColour{"clBackground", 0xFF000001},
    NamedColour{"clBtnFace", 0xFF00000F}, NamedColour{"clBtnHighlight", 0xFF000014},
    NamedColour{"clBtnShadow", 0xFF000010}, NamedColour{"clBtnText", 0xFF000012},
    NamedColour{"clCaptionText", 0xFF000009}, NamedColour{"clGradientActiveCaption", 0xFF00001B},
    NamedColour{"clGradientInactiveCaption", 0xFF00001C}, NamedColour{"clGrayText", 0xFF000011},
    NamedColour{"clHighlight", 0xFF00000D}, NamedColour{"clHighlightText", 0xFF00000E},
    NamedColour{"clHotLight", 0xFF00001A}, NamedColour{"clInactiveBorder", 0xFF00000B},
    NamedColour{"clInactiveCaption", 0xFF000003}, NamedColour{"clInactiveCaptionText", 0xFF000013},
    NamedColour{"clInfoBk", 0xFF000018}, NamedColour{"clInfoText", 0xFF000017},
    NamedColour{"clMenu", 0xFF000004}, NamedColour{"clMenuBar", 0xFF00001E},
    NamedColour{"clMenuHighlight", 0xFF00001D}, NamedColour{"clMenuText", 0xFF000007},
    NamedColour{"clScrollBar", 0xFF000000}, NamedColour{"cl3DDkShadow", 0xFF000015},
    NamedColour{"cl3DLight", 0xFF000016}, NamedColour{"clWindow", 0xFF000005},
    NamedColour{"clWindowFrame", 0xFF000006}, NamedColour{"clWindowText", 0xFF000008},
    NamedColour{"clNone", 0x1FFFFFFF}, NamedColour{"clDefault", 0x20000000}));

TEST(ColourText, UnnamedColoursUseEightCapitalHexDigits)
{
    EXPECT_EQ(ColorToString(Rgb(255, 128, 0)), "$000080FF");
    EXPECT_EQ(ColorToString(0xFFFFFFFF), "$FFFFFFFF");
    EXPECT_EQ(ColorToString(0x00ABCDEF), "$00ABCDEF");
    EXPECT_EQ(StringToColor("$000080FF"), Rgb(255, 128, 0));
    EXPECT_EQ(StringToColor("0x0000FF"), Rgb(255, 0, 0));
    EXPECT_EQ(StringToColor("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(StringToColor("$FF000005"), 0xFF000005u);
}

TEST(ColourText, UnknownNameIsAConversionError)
{
    EXPECT_EQ(Message([] { StringToColor("clOrange"); }), "'clOrange' is not a valid integer value");
    EXPECT_EQ(Message([] { StringToColor(""); }), "'' is not a valid integer value");
    EXPECT_EQ(Message([] { StringToColor(" clRed"); }), "' clRed' is not a valid integer value");
}

// ---------------------------------------------------------------- fonts

CaptionFont Font(const char* name, int points, TColor colour, int style)
{
    CaptionFont f;
    f.name = QString::fromUtf8(name);
    f.setSize(points);
    f.color = colour;
    f.style = style;
    return f;
}

TEST(FontText, WrittenForm)
{
    const CaptionFont def;
    EXPECT_EQ(FontToString(&def), "'name=Tahoma';size=70;color=clRed;style=0");
    EXPECT_EQ(FontToString(&def, 120), "'name=Tahoma';size=56;color=clRed;style=0");
    const CaptionFont times = Font("Times New Roman", 12, Rgb(0, 0, 255), fsBold | fsItalic);
    EXPECT_EQ(FontToString(&times), "'name=Times New Roman';size=12;color=clBlue;style=3");
    const CaptionFont quote = Font("Bob's Font", 9, Rgb(1, 2, 3), fsUnderline | fsStrikeOut);
    EXPECT_EQ(FontToString(&quote), "'name=Bob''s Font';size=9;color=$00030201;style=12");
    EXPECT_EQ(FontToString(nullptr), "default");
}

struct FontCase {
    const char* text;
    CaptionFont expected; // starting from a bold italic Tahoma 70 in red
};

class StringToFontTest : public ::testing::TestWithParam<FontCase> {};

CaptionFont Start()
{
    CaptionFont f;
    f.style = fsBold | fsItalic;
    return f;
}

TEST_P(StringToFontTest, AppliesItems)
{
    CaptionFont f = Start();
    StringToFont(QString::fromUtf8(GetParam().text), &f);
    EXPECT_EQ(f.name, GetParam().expected.name) << GetParam().text;
    EXPECT_EQ(f.height, GetParam().expected.height) << GetParam().text;
    EXPECT_EQ(f.color, GetParam().expected.color) << GetParam().text;
    EXPECT_EQ(f.style, GetParam().expected.style) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Forms, StringToFontTest, ::testing::Values(
    // empty size keeps it, no style item clears the style
    FontCase{"'name=Arial';size=;color=clBlue", Font("Arial", 70, Rgb(0, 0, 255), 0)},
    FontCase{"default", Font("Tahoma", 70, Rgb(255, 0, 0), 0)},
    FontCase{"", Font("Tahoma", 70, Rgb(255, 0, 0), 0)},
    FontCase{"'name=Times New Roman';size=12;color=clBlue;style=3", Font("Times New Roman", 12, Rgb(0, 0, 255), 3)},
    FontCase{"'name=Bob''s Font';size=9;color=$00030201;style=12", Font("Bob's Font", 9, Rgb(1, 2, 3), 12)},
    // unquoted: a blank ends the item, so the face is cut at it
    FontCase{"name=Times New Roman;size=12", Font("Times", 12, Rgb(255, 0, 0), 0)},
    FontCase{"  'name=A B' ;\t size=10 ; STYLE=1 ", Font("A B", 10, Rgb(255, 0, 0), 1)},
    FontCase{"NAME=Arial;Size=$10;COLOR=clwhite", Font("Arial", 16, Rgb(255, 255, 255), 0)},
    FontCase{"style=x", Font("Tahoma", 70, Rgb(255, 0, 0), 0)},
    FontCase{"style=255", Font("Tahoma", 70, Rgb(255, 0, 0), 15)},
    FontCase{"name=", Font("Tahoma", 70, Rgb(255, 0, 0), 0)},
    // the first item of a name counts
    FontCase{"name=First;name=Second", Font("First", 70, Rgb(255, 0, 0), 0)},
    FontCase{"name=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", Font("ABCDEFGHIJKLMNOPQRSTUVWXYZ01234", 70, Rgb(255, 0, 0), 0)}));

TEST(FontText, BadSizeOrColourFailsAfterEarlierItems)
{
    CaptionFont f = Start();
    EXPECT_EQ(Message([&] { StringToFont("'name=Arial';size=big;color=clBlue", &f); }), "'big' is not a valid integer value");
    EXPECT_EQ(f.name, "Arial");
    EXPECT_EQ(f.color, Rgb(255, 0, 0));

    f = Start();
    EXPECT_EQ(Message([&] { StringToFont("name=Arial;size=8;color=clOrange;style=0", &f); }), "'clOrange' is not a valid integer value");
    EXPECT_EQ(f.size(), 8);
    EXPECT_EQ(f.style, fsBold | fsItalic);

    EXPECT_EQ(Message([&] { StringToFont("size=99999999999", &f); }), "'99999999999' is not a valid integer value");
}

TEST(FontText, NoFontIsLeftAlone)
{
    EXPECT_NO_THROW(StringToFont("size=bad", nullptr));
}

TEST(FontText, HugeSizesKeepTheHeightRepresentable)
{
    CaptionFont f;
    StringToFont("size=2147483647", &f);
    EXPECT_LT(f.height, 0);
    StringToFont("size=-2147483648", &f);
    EXPECT_GT(f.height, 0);
}

TEST(FontText, WriteThenReadKeepsEveryField)
{
    for (const CaptionFont& original : {Font("Times New Roman", 12, Rgb(0, 0, 255), 3), Font("It's 'quoted'", 33, 0xFF00000F, 15),
                                        Font("semi;colon = x", 7, Rgb(1, 2, 3), 4)}) {
        for (int dpi : {96, 120}) {
            CaptionFont f;
            f.style = 8;
            StringToFont(FontToString(&original, dpi), &f, dpi);
            EXPECT_EQ(f.name, original.name);
            EXPECT_EQ(f.size(dpi), original.size(dpi));
            EXPECT_EQ(f.color, original.color);
            EXPECT_EQ(f.style, original.style);
        }
    }
}

struct SplitCase {
    const char* text;
    QStringList items;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, Items)
{
    EXPECT_EQ(SplitFontItems(QString::fromUtf8(GetParam().text)), GetParam().items) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Forms, SplitTest, ::testing::Values(
    SplitCase{"", {}}, SplitCase{"a;b", {"a", "b"}}, SplitCase{"a;", {"a", ""}}, SplitCase{"a;;b", {"a", "", "b"}},
    SplitCase{"'x;y';z", {"x;y", "z"}}, SplitCase{"'it''s'", {"it's"}}, SplitCase{"a b", {"a", "b"}},
    SplitCase{"'open", {"open"}}, SplitCase{"\x01" "a\x1f;\tb ", {"a", "b"}}, SplitCase{"a; ", {"a"}}));

} // namespace
