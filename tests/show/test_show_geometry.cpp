#include "show/show_geometry.h"

#include <gtest/gtest.h>

#include <QColor>

#include <climits>
#include <string>
#include <optional>
#include <vector>

namespace {

// ---------------------------------------------------------------- rounding

struct RoundCase {
    double value;
    int expected;
};

class RoundHalfEvenTest : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundHalfEvenTest, RoundsHalvesToEven)
{
    EXPECT_EQ(RoundHalfEven(GetParam().value), GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Values, RoundHalfEvenTest,
    ::testing::Values(RoundCase{0.5, 0}, RoundCase{1.5, 2}, RoundCase{2.5, 2},
                      RoundCase{766.5, 766}, RoundCase{767.5, 768}, RoundCase{0.75, 1},
                      RoundCase{0.25, 0}, RoundCase{0.4999999, 0}, RoundCase{-0.5, 0},
                      RoundCase{-1.5, -2}, RoundCase{-2.5, -2}, RoundCase{-0.75, -1},
                      RoundCase{1e12, INT_MAX}, RoundCase{-1e12, INT_MIN}));

// ---------------------------------------------------------------- fitting

struct FitCase {
    int w, h, cw, ch;
    FitRectangle expected;
};

class FitRectTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitRectTest, GivesTheRectangle)
{
    const FitCase& c = GetParam();
    const std::optional<FitRectangle> r = FitRect(c.w, c.h, c.cw, c.ch);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(*r, c.expected) << c.w << "x" << c.h << " on " << c.cw << "x" << c.ch << ": got ("
                              << r->left << ", " << r->top << ", " << r->right << ", "
                              << r->bottom << ")";
}

INSTANTIATE_TEST_SUITE_P(Examples, FitRectTest,
    ::testing::Values(
        // Wider than the screen; sh = 766.5 and 767.5 exercise both roundings.
        FitCase{2048, 1533, 1024, 768, {0, 1, 1024, 767}},
        FitCase{2048, 1535, 1024, 768, {0, 0, 1024, 768}},
        FitCase{1000, 1000, 1280, 1024, {128, 0, 1152, 1024}},
        FitCase{800, 600, 1280, 1024, {0, 32, 1280, 992}},
        // Equal ratios, reduced, enlarged and identical: the whole surface.
        FitCase{1280, 1024, 1280, 1024, {0, 0, 1280, 1024}},
        FitCase{800, 600, 1024, 768, {0, 0, 1024, 768}},
        FitCase{4000, 3000, 1024, 768, {0, 0, 1024, 768}},
        // Portrait on landscape, enlarged.
        FitCase{30, 40, 1024, 768, {224, 0, 800, 768}},
        // Very flat or tiny pictures: zero rows, or enlarged to full height.
        FitCase{5000, 1, 1000, 1000, {0, 500, 1000, 500}},
        FitCase{1, 1, 1920, 1080, {420, 0, 1500, 1080}}));

TEST(FitRect, NoRectangleForEmptySizes)
{
    EXPECT_FALSE(FitRect(100, 0, 1024, 768).has_value());
    EXPECT_FALSE(FitRect(0, 100, 1024, 768).has_value());
    EXPECT_FALSE(FitRect(-5, 100, 1024, 768).has_value());
    EXPECT_FALSE(FitRect(100, 100, 0, 768).has_value());
    EXPECT_FALSE(FitRect(100, 100, 1024, 0).has_value());
}

// ------------------------------------------------ natural size and captions

struct PointCase {
    int a, b, c, d;
    bool flag;
    QPoint expected;
};

class NaturalOriginTest : public ::testing::TestWithParam<PointCase> {};

TEST_P(NaturalOriginTest, CentresTruncatingTowardZero)
{
    const PointCase& p = GetParam();
    EXPECT_EQ(NaturalOrigin(p.a, p.b, p.c, p.d), p.expected);
}

INSTANTIATE_TEST_SUITE_P(Examples, NaturalOriginTest,
    ::testing::Values(PointCase{1500, 768, 1024, 768, false, {-238, 0}},
                      PointCase{1027, 771, 1024, 768, false, {-1, -1}},
                      PointCase{800, 600, 1024, 768, false, {112, 84}},
                      PointCase{1023, 767, 1024, 768, false, {0, 0}},
                      PointCase{3000, 2000, 1280, 1024, false, {-860, -488}}));

class CaptionOriginTest : public ::testing::TestWithParam<PointCase> {};

TEST_P(CaptionOriginTest, PlacesTheCaption)
{
    const PointCase& p = GetParam();
    EXPECT_EQ(CaptionOrigin(p.a, p.b, p.c, p.d, p.flag), p.expected);
}

INSTANTIATE_TEST_SUITE_P(Examples, CaptionOriginTest,
    ::testing::Values(
        // Under a picture the text's bottom edge is 20 pixels above the surface's.
        PointCase{1024, 768, 200, 30, true, {412, 718}},
        PointCase{1024, 768, 200, 30, false, {412, 369}},
        PointCase{1024, 768, 201, 31, false, {411, 368}},
        // Wider than the surface: negative x, truncated toward zero.
        PointCase{1024, 768, 1027, 30, true, {-1, 718}},
        PointCase{1024, 768, 2000, 30, false, {-488, 369}}));

// ---------------------------------------------------------------- stepping

struct StepCase {
    int index, delta, count, expected;
};

class StepIndexTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(StepIndexTest, WrapsAround)
{
    const StepCase& s = GetParam();
    EXPECT_EQ(StepIndex(s.index, s.delta, s.count), s.expected)
        << s.index << " + " << s.delta << " of " << s.count;
}

INSTANTIATE_TEST_SUITE_P(Cases, StepIndexTest,
    ::testing::Values(StepCase{-1, 0, 3, 2},  // a fresh window opens on the last slide
                      StepCase{2, 1, 3, 0}, StepCase{0, -1, 3, 2}, StepCase{1, 1, 3, 2},
                      StepCase{1, -1, 3, 0}, StepCase{1, 0, 3, 1},
                      StepCase{7, 0, 5, 0},   // the list shrank under the stored index
                      StepCase{4, 0, 5, 4}, StepCase{4, 1, 5, 0}, StepCase{0, 0, 1, 0},
                      StepCase{0, 1, 1, 0}, StepCase{0, -1, 1, 0},
                      StepCase{-1, 0, 0, -1}, StepCase{0, 0, 0, -1}, StepCase{5, 1, 0, -1},
                      StepCase{INT_MAX, 1, 3, 0}));

TEST(StepIndex, FreshWindowThenForwardThenBack)
{
    int index = -1;
    index = StepIndex(index, 0, 3);
    EXPECT_EQ(index, 2);
    index = StepIndex(index, 1, 3);
    EXPECT_EQ(index, 0);
    index = StepIndex(index, -1, 3);
    EXPECT_EQ(index, 2);
}

// The slides prepared ahead: those the next keys would show in the direction the show moves,
// as StepIndex steps, then the one behind.
struct LookAheadCase {
    const char* name;
    int index, direction, count, ahead;
    std::vector<int> expected;
};

class LookAheadTest : public ::testing::TestWithParam<LookAheadCase> {};

TEST_P(LookAheadTest, FollowsTheShowsDirection)
{
    const LookAheadCase& c = GetParam();
    EXPECT_EQ(LookAhead(c.index, c.direction, c.count, c.ahead), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, LookAheadTest,
    ::testing::Values(LookAheadCase{"forward", 2, 1, 10, 3, {3, 4, 5, 1}},
                      LookAheadCase{"backward", 5, -1, 10, 3, {4, 3, 2, 6}},
                      LookAheadCase{"forward_over_the_end", 8, 1, 10, 4, {9, 0, 1, 2, 7}},
                      LookAheadCase{"backward_over_the_start", 1, -1, 10, 3, {0, 9, 8, 2}},
                      LookAheadCase{"more_ahead_than_slides", 0, 1, 3, 6, {1, 2}},
                      LookAheadCase{"two_slides", 1, -1, 2, 6, {0}},
                      LookAheadCase{"one_slide", 0, 1, 1, 6, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- stretching

QImage Checker(int w, int h, QImage::Format format = QImage::Format_RGB32)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(40 * x + 10, 40 * y + 20, 200 - 30 * x - 7 * y));
    return img.convertToFormat(format);
}

TEST(StretchNearest, EnlargingRepeatsPixels)
{
    const QImage src = Checker(2, 2);
    const QImage out = StretchNearest(src, QSize(4, 4));
    ASSERT_EQ(out.size(), QSize(4, 4));
    EXPECT_EQ(out.format(), QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(out.pixel(x, y), src.pixel(x / 2, y / 2)) << x << "," << y;
}

TEST(StretchNearest, ReducingDropsPixelsWithoutBlending)
{
    const QImage src = Checker(4, 4);
    const QImage out = StretchNearest(src, QSize(2, 2));
    ASSERT_EQ(out.size(), QSize(2, 2));
    // Every output pixel is exactly one source pixel of its own 2x2 block.
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            bool found = false;
            for (int sy = 2 * y; sy < 2 * y + 2; ++sy)
                for (int sx = 2 * x; sx < 2 * x + 2; ++sx)
                    found = found || out.pixel(x, y) == src.pixel(sx, sy);
            EXPECT_TRUE(found) << x << "," << y;
        }
}

// A source pixel's value encodes its own position, so each output pixel says
// where it was taken from; that must be the source pixel under its centre.
TEST(StretchNearest, TakesThePixelUnderEachCentre)
{
    const int sw = 4000, sh = 3000, dw = 1919, dh = 1081;
    QImage src(sw, sh, QImage::Format_RGB32);
    for (int y = 0; y < sh; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(src.scanLine(y));
        for (int x = 0; x < sw; ++x)
            row[x] = 0xFF000000u | (static_cast<QRgb>(x) << 12) | static_cast<QRgb>(y);
    }
    const QImage out = StretchNearest(src, QSize(dw, dh));
    ASSERT_EQ(out.size(), QSize(dw, dh));
    int bad = 0;
    for (int y = 0; y < dh && bad < 5; ++y)
        for (int x = 0; x < dw && bad < 5; ++x) {
            const QRgb p = out.pixel(x, y) & 0xFFFFFFu;
            const double cx = (x + 0.5) * sw / dw, cy = (y + 0.5) * sh / dh;
            const int sx = static_cast<int>(p >> 12), sy = static_cast<int>(p & 0xFFF);
            if (!(sx <= cx && cx < sx + 1 && sy <= cy && cy < sy + 1)) {
                ADD_FAILURE() << "(" << x << "," << y << ") took (" << sx << "," << sy << ")";
                ++bad;
            }
        }
}

class StretchFormatTest : public ::testing::TestWithParam<QImage::Format> {};

TEST_P(StretchFormatTest, GivesOpaqueColoursOfTheSource)
{
    const QImage reference = StretchNearest(Checker(3, 2), QSize(7, 5));
    const QImage src = Checker(3, 2, GetParam());
    ASSERT_EQ(src.format(), GetParam());
    const QImage expected = StretchNearest(src.convertToFormat(QImage::Format_RGB32), QSize(7, 5));
    const QImage out = StretchNearest(src, QSize(7, 5));
    ASSERT_EQ(out.size(), QSize(7, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            EXPECT_EQ(qAlpha(out.pixel(x, y)), 255);
            EXPECT_EQ(out.pixel(x, y), expected.pixel(x, y)) << x << "," << y;
        }
    if (GetParam() != QImage::Format_Grayscale8 && GetParam() != QImage::Format_RGB16) {
        EXPECT_EQ(out, reference);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, StretchFormatTest,
    ::testing::Values(QImage::Format_RGB32, QImage::Format_ARGB32,
                      QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888,
                      QImage::Format_BGR888, QImage::Format_RGB16, QImage::Format_Grayscale8));

TEST(StretchNearest, NothingForNullSourceOrEmptySize)
{
    EXPECT_TRUE(StretchNearest(QImage(), QSize(4, 4)).isNull());
    EXPECT_TRUE(StretchNearest(Checker(2, 2), QSize(0, 4)).isNull());
    EXPECT_TRUE(StretchNearest(Checker(2, 2), QSize(4, -1)).isNull());
}

// ---------------------------------------------------- stretching into a surface

struct IntoCase {
    const char* name;
    QRect target;
};

class StretchIntoTest : public ::testing::TestWithParam<IntoCase> {};

TEST_P(StretchIntoTest, DrawsOnlyInsideTargetAndSurface)
{
    const QRgb sentinel = qRgb(1, 2, 3);
    QImage surface(6, 5, QImage::Format_RGB32);
    surface.fill(sentinel);
    const QImage src = Checker(2, 2);
    const QRect target = GetParam().target;

    ASSERT_TRUE(StretchNearestInto(surface, target, src));
    const QImage whole = StretchNearest(src, target.size());
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x) {
            const QRgb expected = target.contains(x, y)
                ? whole.pixel(x - target.x(), y - target.y())
                : sentinel;
            EXPECT_EQ(surface.pixel(x, y), expected) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Targets, StretchIntoTest,
    ::testing::Values(IntoCase{"Inside", QRect(1, 1, 4, 3)},
                      IntoCase{"PastTopLeft", QRect(-2, -3, 4, 6)},
                      IntoCase{"PastBottomRight", QRect(3, 2, 8, 8)},
                      IntoCase{"LargerEverywhere", QRect(-10, -10, 30, 30)},
                      IntoCase{"Outside", QRect(7, 0, 3, 3)}),
    [](const ::testing::TestParamInfo<IntoCase>& info) { return std::string(info.param.name); });

class FillOutsideTest : public ::testing::TestWithParam<IntoCase> {};

TEST_P(FillOutsideTest, FillsEveryPixelOutsideAndNoneInside)
{
    const QRgb sentinel = qRgb(1, 2, 3), colour = qRgb(200, 100, 50);
    QImage surface(6, 5, QImage::Format_RGB32);
    surface.fill(sentinel);
    const QRect keep = GetParam().target;

    FillOutside(surface, keep, colour);

    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            EXPECT_EQ(surface.pixel(x, y), keep.contains(x, y) ? sentinel : colour) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Holes, FillOutsideTest,
    ::testing::Values(IntoCase{"Inside", QRect(1, 1, 4, 3)},
                      IntoCase{"OnePixel", QRect(5, 4, 1, 1)},
                      IntoCase{"PastTopLeft", QRect(-2, -3, 4, 6)},
                      IntoCase{"PastBottomRight", QRect(3, 2, 8, 8)},
                      IntoCase{"Everything", QRect(-10, -10, 30, 30)},
                      IntoCase{"Outside", QRect(7, 0, 3, 3)},
                      IntoCase{"Empty", QRect(2, 2, 0, 3)}),
    [](const ::testing::TestParamInfo<IntoCase>& info) { return std::string(info.param.name); });

TEST(StretchNearestInto, RefusesSurfacesItCannotWrite)
{
    QImage surface(4, 4, QImage::Format_RGB888);
    surface.fill(Qt::black);
    const QImage before = surface;
    EXPECT_FALSE(StretchNearestInto(surface, QRect(0, 0, 4, 4), Checker(2, 2)));
    EXPECT_EQ(surface, before);

    QImage good(4, 4, QImage::Format_RGB32);
    EXPECT_FALSE(StretchNearestInto(good, QRect(0, 0, 4, 4), QImage()));
}

} // namespace
