#include "settings/byte_text.h"

#include <gtest/gtest.h>

namespace {

struct BytesCase {
    const char* label;
    std::string bytes;
    bool utf8; // well-formed: must decode exactly as UTF-8 does
};

class ByteTextTest : public ::testing::TestWithParam<BytesCase> {};

TEST_P(ByteTextTest, BytesComeBackAsTheyWere)
{
    const QByteArray bytes = QByteArray::fromStdString(GetParam().bytes);
    const QString text = BytesToText(bytes);
    EXPECT_EQ(TextToBytes(text).toHex(' '), bytes.toHex(' '));
    if (GetParam().utf8)
        EXPECT_EQ(text, QString::fromUtf8(bytes));
    else
        EXPECT_NE(text, QString::fromUtf8(bytes));
}

INSTANTIATE_TEST_SUITE_P(Names, ByteTextTest, ::testing::Values(
    BytesCase{"ascii", "/home/ann/datasets", true},
    BytesCase{"utf8", "/home/j\xc3\xb6rg/\xe2\x82\xac/\xf0\x9f\x90\xb1", true},
    BytesCase{"latin1", "/home/caf\xe9", false},
    BytesCase{"ff_fe", "\xff\xfe", false},
    BytesCase{"cut_short", "a\xe2\x82", false},
    BytesCase{"overlong_slash", "\xc0\xaf", false},
    BytesCase{"encoded_surrogate", "\xed\xb2\x80", false},
    BytesCase{"above_unicode", "\xf4\x90\x80\x80", false},
    BytesCase{"pair_then_lone_byte", "\xf0\x90\x82\x80\x80", false},
    BytesCase{"nul_inside", std::string("a\0b", 3), true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ByteText, EveryTwoByteStringComesBack)
{
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const char raw[2] = {static_cast<char>(a), static_cast<char>(b)};
            const QByteArray bytes(raw, 2);
            ASSERT_EQ(TextToBytes(BytesToText(bytes)), bytes) << a << " " << b;
        }
    }
}

TEST(ByteText, OtherLoneSurrogatesBecomeReplacementCharacters)
{
    const QChar high(char16_t(0xD800));
    const QChar low(char16_t(0xDC10)); // below the range of escaped bytes
    EXPECT_EQ(TextToBytes(QString(high) + "a" + low), QByteArray("\xef\xbf\xbd" "a\xef\xbf\xbd"));
}

} // namespace
