// WebP, GIF, HEIF and AVIF, on files that Debian's own tools write at test time: cwebp,
// img2webp and gif2webp (package webp), heif-enc (libheif-examples) and ImageMagick's convert
// (imagemagick-6.q16). A tool that is missing fails the test that needs it.

#include "picture_writers.h"
#include "media/picture_decoders.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <libheif/heif.h>
#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

using namespace picture_test;

namespace {

std::string PathIn(const QTemporaryDir& dir, const std::string& name)
{
    return QDir(dir.path()).filePath(QString::fromStdString(name)).toStdString();
}

std::string WriteFile(const QTemporaryDir& dir, const std::string& name, const Bytes& bytes)
{
    const std::string path = PathIn(dir, name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Runs a tool in the folder; its output file's bytes, or empty with the test failed.
Bytes Made(const QTemporaryDir& dir, const QString& tool, const QStringList& arguments, const std::string& output,
           const char* package)
{
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(tool, arguments);
    if (!process.waitForStarted(10000)) {
        ADD_FAILURE() << tool.toStdString() << " cannot be started: install " << package << " (scripts/install-deps.sh)";
        return {};
    }
    process.waitForFinished(60000);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << tool.toStdString() << " " << arguments.join(' ').toStdString() << " failed:\n"
                      << process.readAll().toStdString();
        return {};
    }
    const Bytes bytes = ReadFile(PathIn(dir, output));
    if (bytes.empty())
        ADD_FAILURE() << tool.toStdString() << " wrote no " << output;
    return bytes;
}

Bytes Cwebp(const QTemporaryDir& dir, const std::string& input, const QStringList& options)
{
    return Made(dir, "cwebp", QStringList{"-quiet"} + options + QStringList{QString::fromStdString(input), "-o", "out.webp"},
                "out.webp", "webp");
}

Bytes Convert(const QTemporaryDir& dir, const QStringList& arguments, const std::string& output)
{
    return Made(dir, "convert-im6.q16", arguments + QStringList{QString::fromStdString(output)}, output, "imagemagick-6.q16");
}

Bytes HeifEnc(const QTemporaryDir& dir, const std::string& input, const std::string& output, const QStringList& options = {})
{
    return Made(dir, "heif-enc", options + QStringList{QString::fromStdString(input), "-o", QString::fromStdString(output)},
                output, "libheif-examples");
}

Bytes PngOf(const QImage& picture)
{
    const bool alpha = picture.hasAlphaChannel();
    PngLayout layout{picture.width(), picture.height(), alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, 8, false, {}, {}, {}};
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            layout.pixels.insert(layout.pixels.end(), {std::uint8_t(qRed(p)), std::uint8_t(qGreen(p)), std::uint8_t(qBlue(p))});
            if (alpha)
                layout.pixels.push_back(std::uint8_t(qAlpha(p)));
        }
    return Png(layout);
}

// Quadrants whose left half is transparent: the colours stay, the alpha goes to 0.
QImage HalfTransparentQuadrants(int width, int height)
{
    QImage picture = Quadrants(width, height).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width / 2; ++x)
            picture.setPixel(x, y, picture.pixel(x, y) & 0x00FFFFFFu);
    return picture;
}

QImage Solid(int width, int height, QRgb colour)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

int ChannelDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

void ExpectQuadrants(const QImage& shown, const OrientationCase& c, int tolerance, const std::string& what)
{
    const int w = shown.width(), h = shown.height();
    const struct {
        QPoint at;
        QRgb colour;
        const char* name;
    } checks[] = {{{w / 4, h / 4}, c.topLeft, "top left"},
                  {{3 * w / 4, h / 4}, c.topRight, "top right"},
                  {{w / 4, 3 * h / 4}, c.bottomLeft, "bottom left"},
                  {{3 * w / 4, 3 * h / 4}, c.bottomRight, "bottom right"}};
    for (const auto& check : checks)
        EXPECT_LE(ChannelDistance(shown.pixel(check.at), check.colour), tolerance)
            << what << ", orientation " << c.orientation << ": " << check.name;
}

CutPicture WholeCut(const std::string& path)
{
    return LoadPictureCut(path, [](QSize natural) { return PictureCut{QRect(QPoint(0, 0), natural), natural}; });
}

// The cut of a whole picture as StretchNearest takes it.
QImage Sample(const QImage& whole, const PictureCut& cut)
{
    QImage out(cut.size, whole.format());
    const std::int64_t sw = cut.source.width(), sh = cut.source.height(), tw = cut.size.width(), th = cut.size.height();
    for (std::int64_t y = 0; y < th; ++y)
        for (std::int64_t x = 0; x < tw; ++x)
            out.setPixel(int(x), int(y), whole.pixel(cut.source.x() + int(((2 * x + 1) * sw) / (2 * tw)),
                                                     cut.source.y() + int(((2 * y + 1) * sh) / (2 * th))));
    return out;
}

void ExpectRefused(const std::string& path, const std::vector<std::string>& parts, const std::string& what)
{
    try {
        LoadPicture(path);
        ADD_FAILURE() << "no error for " << what;
    } catch (const EPictureError& error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind("Cannot load picture \"" + path + "\": ", 0), 0u) << what << ": " << message;
        for (const std::string& part : parts)
            EXPECT_NE(message.find(part), std::string::npos) << what << ": \"" << part << "\" not in: " << message;
    }
}

// ---- every kind: the known picture, whole, cut and through every way of loading ----

struct KindCase {
    const char* name;
    const char* fileName;
    std::function<Bytes(const QTemporaryDir&)> file;  // of Quadrants(64, 32), or HalfTransparentQuadrants when alpha
    int tolerance;
    bool alpha;
};

const KindCase kKindCases[] = {
    {"WebpLossless", "pic.webp", [](const QTemporaryDir& d) { WriteFile(d, "in.png", QuadrantsPng(64, 32)); return Cwebp(d, "in.png", {"-lossless"}); }, 0, false},
    {"WebpLossy", "pic.webp", [](const QTemporaryDir& d) { WriteFile(d, "in.png", QuadrantsPng(64, 32)); return Cwebp(d, "in.png", {"-q", "90"}); }, 24, false},
    {"WebpLossyAlpha", "pic.webp", [](const QTemporaryDir& d) { WriteFile(d, "in.png", PngOf(HalfTransparentQuadrants(64, 32))); return Cwebp(d, "in.png", {"-q", "90", "-exact"}); }, 24, true},
    {"WebpLosslessAlpha", "PIC.WEBP", [](const QTemporaryDir& d) { WriteFile(d, "in.png", PngOf(HalfTransparentQuadrants(64, 32))); return Cwebp(d, "in.png", {"-lossless", "-exact"}); }, 0, true},
    {"Gif", "pic.gif", [](const QTemporaryDir& d) { WriteFile(d, "in.png", QuadrantsPng(64, 32)); return Convert(d, {"in.png"}, "out.gif"); }, 0, false},
    {"GifInterlaced", "pic.GIF", [](const QTemporaryDir& d) { WriteFile(d, "in.png", QuadrantsPng(64, 32)); return Convert(d, {"in.png", "-interlace", "GIF"}, "out.gif"); }, 0, false},
    {"GifTransparent", "pic.gif", [](const QTemporaryDir& d) { WriteFile(d, "in.png", PngOf(HalfTransparentQuadrants(64, 32))); return Convert(d, {"in.png"}, "out.gif"); }, 0, true},
    {"GifTransparentInterlaced", "pic.gif", [](const QTemporaryDir& d) { WriteFile(d, "in.png", PngOf(HalfTransparentQuadrants(64, 32))); return Convert(d, {"in.png", "-interlace", "GIF"}, "out.gif"); }, 0, true},
    {"Heic", "pic.heic", [](const QTemporaryDir& d) { WriteFile(d, "in.png", QuadrantsPng(64, 32)); return HeifEnc(d, "in.png", "out.heic", {"-q", "90"}); }, 24, false},
    {"HeicAlpha", "pic.heif", [](const QTemporaryDir& d) { WriteFile(d, "in.png", PngOf(HalfTransparentQuadrants(64, 32))); return HeifEnc(d, "in.png", "out.heic", {"-q", "90"}); }, 24, true},
    {"Avif", "pic.avif", [](const QTemporaryDir& d) { WriteFile(d, "in.png", QuadrantsPng(64, 32)); return HeifEnc(d, "in.png", "out.avif", {"-q", "90"}); }, 24, false},
    {"AvifAlpha", "PIC.AVIF", [](const QTemporaryDir& d) { WriteFile(d, "in.png", PngOf(HalfTransparentQuadrants(64, 32))); return HeifEnc(d, "in.png", "out.avif", {"-q", "90"}); }, 24, true},
};

void PrintTo(const KindCase& c, std::ostream* out)
{
    *out << c.name;
}

class PictureKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(PictureKinds, ShowTheKnownPictureWholeAndCut)
{
    const KindCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Bytes bytes = c.file(dir);
    ASSERT_FALSE(bytes.empty());
    const std::string path = WriteFile(dir, c.fileName, bytes);
    const OrientationCase& asStored = kOrientations[0];
    const QRgb white = qRgb(255, 255, 255);

    // The left half of an alpha case is transparent: on white it is white.
    const OrientationCase expected = c.alpha ? OrientationCase{1, white, kGreen, white, kYellow} : asStored;
    const QImage whole = LoadPicture(path);
    ASSERT_EQ(whole.format(), QImage::Format_RGB32);
    ASSERT_EQ(whole.size(), QSize(64, 32));
    ExpectQuadrants(whole, expected, c.tolerance, "whole");

    // The cut keeps the alpha for the caller, not premultiplied.
    const CutPicture kept = WholeCut(path);
    EXPECT_EQ(kept.natural, QSize(64, 32));
    ASSERT_EQ(kept.image.format(), c.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    ExpectQuadrants(FlattenOnto(kept.image, white), expected, c.tolerance, "cut");
    if (c.alpha) {
        EXPECT_LE(qAlpha(kept.image.pixel(5, 5)), c.tolerance);
        EXPECT_GE(qAlpha(kept.image.pixel(60, 28)), 255 - c.tolerance);
        EXPECT_LE(qAlpha(kept.corner), c.tolerance);
        // Not premultiplied: a half-bright colour would show a premultiplied one.
        EXPECT_LE(ChannelDistance(kept.image.pixel(60, 28), kYellow), c.tolerance);
    } else {
        EXPECT_LE(ChannelDistance(kept.corner, kRed), c.tolerance);
    }

    // Reduced, out of proportion, and enlarged.
    for (const QSize size : {QSize(16, 16), QSize(30, 8), QSize(128, 96)}) {
        const CutPicture fitted = LoadPictureCut(path, [&](QSize natural) { return PictureCut{QRect(QPoint(0, 0), natural), size}; });
        ASSERT_EQ(fitted.image.size(), size);
        ExpectQuadrants(FlattenOnto(fitted.image, white), expected, c.tolerance + 8, "fitted to " + std::to_string(size.width()));
    }

    // A cut-out of the bottom-right quadrant and a little more, with the corner outside it.
    const QRect part(28, 12, 36, 20);
    const CutPicture window = LoadPictureCut(path, [&](QSize) { return PictureCut{part, part.size()}; });
    ASSERT_EQ(window.image.size(), part.size());
    EXPECT_LE(ChannelDistance(window.image.pixel(30, 15), kYellow), c.tolerance);
    EXPECT_LE(ChannelDistance(window.image.pixel(30, 2), kGreen), c.tolerance);
    EXPECT_LE(ChannelDistance(window.corner, kept.corner), c.tolerance);
    EXPECT_LE(std::abs(qAlpha(window.corner) - qAlpha(kept.corner)), c.tolerance);
    if (c.tolerance == 0) {
        EXPECT_EQ(window.image, kept.image.copy(part));
    }

    // A cut that keeps nothing still tells the corner.
    const CutPicture nothing = LoadPictureCut(path, [](QSize natural) { return PictureCut{QRect(QPoint(0, 0), natural), QSize(0, 0)}; });
    EXPECT_TRUE(nothing.image.isNull());
    EXPECT_LE(ChannelDistance(nothing.corner, kept.corner), c.tolerance);
    EXPECT_LE(std::abs(qAlpha(nothing.corner) - qAlpha(kept.corner)), c.tolerance);

    // One thread gives the same.
    EXPECT_EQ(LoadPictureCut(path, DecodeThreads::One, [](QSize natural) { return PictureCut{QRect(QPoint(0, 0), natural), natural}; }).image,
              kept.image);
}

INSTANTIATE_TEST_SUITE_P(Kinds, PictureKinds, ::testing::ValuesIn(kKindCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- cuts of lossless kinds: exactly the whole picture's pixels under the cut ----

TEST(PictureKindCuts, LosslessWebpAndGifGiveTheWholePicturesPixels)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A pattern whose neighbouring pixels differ, so that a cut a pixel off shows; in few
    // enough colours for a GIF.
    QImage picture(90, 70, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb((x % 6) * 50, (y % 5) * 60, ((x + y) % 3) * 120));
    WriteFile(dir, "in.png", PngOf(picture));
    const std::pair<const char*, Bytes> files[] = {
        {"pic.webp", Cwebp(dir, "in.png", {"-lossless", "-exact"})},
        {"pic.gif", Convert(dir, {"in.png"}, "out.gif")},
        {"interlaced.gif", Convert(dir, {"in.png", "-interlace", "GIF"}, "il.gif")},
    };
    const PictureCut cuts[] = {
        {QRect(11, 7, 40, 30), QSize(40, 30)},   // a window at its own size
        {QRect(11, 7, 40, 30), QSize(80, 45)},   // enlarged
        {QRect(0, 0, 90, 70), QSize(200, 150)},  // the whole, enlarged
        {QRect(60, 50, 30, 20), QSize(31, 20)},  // the bottom-right corner, one column more
    };
    for (const auto& [name, bytes] : files) {
        ASSERT_FALSE(bytes.empty()) << name;
        const std::string path = WriteFile(dir, name, bytes);
        const QImage whole = WholeCut(path).image;
        ASSERT_EQ(whole, picture) << name;
        for (const PictureCut& cut : cuts) {
            const CutPicture part = LoadPictureCut(path, [&](QSize) { return cut; });
            EXPECT_EQ(part.image, Sample(whole, cut)) << name << " cut " << cut.size.width() << " x " << cut.size.height();
            EXPECT_EQ(part.corner, whole.pixel(0, 0)) << name;
        }
    }
}

// A lossless WebP reduced by libwebp: each pixel an average of the pixels it stands for.
TEST(PictureKindCuts, WebpReducedIsAveraged)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage stripes(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < stripes.height(); ++y)
        for (int x = 0; x < stripes.width(); ++x)
            stripes.setPixel(x, y, x % 2 ? qRgb(250, 250, 250) : qRgb(10, 10, 10));
    WriteFile(dir, "in.png", PngOf(stripes));
    const std::string path = WriteFile(dir, "stripes.webp", Cwebp(dir, "in.png", {"-lossless"}));
    const CutPicture reduced = LoadPictureCut(path, [](QSize natural) { return PictureCut{QRect(QPoint(0, 0), natural), QSize(100, 75)}; });
    ASSERT_EQ(reduced.image.size(), QSize(100, 75));
    EXPECT_LE(ChannelDistance(reduced.image.pixel(50, 40), qRgb(130, 130, 130)), 8);
    // A quarter of the picture, reduced: cropped first, so still the stripes' average.
    const CutPicture quarter = LoadPictureCut(path, [](QSize) { return PictureCut{QRect(100, 100, 200, 100), QSize(50, 25)}; });
    ASSERT_EQ(quarter.image.size(), QSize(50, 25));
    EXPECT_LE(ChannelDistance(quarter.image.pixel(20, 10), qRgb(130, 130, 130)), 8);
}

// ---- animations: the first frame, in its place ----

TEST(PictureAnimations, ShowTheFirstFrameOnTheScreen)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    WriteFile(dir, "a.png", QuadrantsPng(64, 32));
    WriteFile(dir, "b.png", PngOf(Solid(64, 32, qRgb(0, 0, 0))));
    WriteFile(dir, "c.png", PngOf(Solid(64, 32, qRgb(255, 0, 255))));

    const Bytes animatedWebp = Made(dir, "img2webp", {"-lossless", "a.png", "b.png", "c.png", "-o", "anim.webp"}, "anim.webp", "webp");
    const Bytes animatedGif = Convert(dir, {"-delay", "10", "a.png", "b.png", "c.png"}, "anim.gif");
    for (const auto& [name, bytes] : {std::pair{"anim.webp", animatedWebp}, std::pair{"anim.gif", animatedGif}}) {
        ASSERT_FALSE(bytes.empty()) << name;
        const QImage first = LoadPicture(WriteFile(dir, name, bytes));
        EXPECT_EQ(first, Quadrants(64, 32)) << name;
    }

    // A first frame smaller than the screen, put at 10, 5 on a screen of 100 x 80.
    const Bytes placed = Convert(dir, {"a.png", "-repage", "100x80+10+5"}, "placed.gif");
    ASSERT_FALSE(placed.empty());
    const Bytes placedAnimation = Convert(dir, {"-delay", "10", "(", "a.png", "-repage", "100x80+10+5", ")", "(", "b.png", "-repage", "100x80+0+0", ")"}, "placed2.gif");
    ASSERT_FALSE(placedAnimation.empty());
    const Bytes placedWebp = Made(dir, "gif2webp", {"-quiet", "placed2.gif", "-o", "placed.webp"}, "placed.webp", "webp");
    ASSERT_FALSE(placedWebp.empty());
    for (const auto& [name, bytes] : {std::pair{"placed.gif", placed}, std::pair{"placed2.gif", placedAnimation},
                                      std::pair{"placed.webp", placedWebp}}) {
        const std::string path = WriteFile(dir, name, bytes);
        const CutPicture shown = WholeCut(path);
        ASSERT_EQ(shown.natural, QSize(100, 80)) << name;
        ASSERT_EQ(shown.image.format(), QImage::Format_ARGB32) << name;
        EXPECT_EQ(qAlpha(shown.corner), 0) << name;
        for (const QPoint outside : {QPoint(9, 40), QPoint(74, 40), QPoint(40, 4), QPoint(40, 37), QPoint(99, 79)})
            EXPECT_EQ(qAlpha(shown.image.pixel(outside)), 0) << name << " at " << outside.x() << ", " << outside.y();
        EXPECT_EQ(shown.image.pixel(10, 5), kRed | 0xFF000000u) << name;
        EXPECT_EQ(shown.image.pixel(73, 5), kGreen | 0xFF000000u) << name;
        EXPECT_EQ(shown.image.pixel(10, 36), kBlue | 0xFF000000u) << name;
        EXPECT_EQ(shown.image.pixel(73, 36), kYellow | 0xFF000000u) << name;
        // Composited onto white around the frame.
        EXPECT_EQ(LoadPicture(path).pixel(0, 0), qRgb(255, 255, 255)) << name;
    }
}

// ---- how a picture is shown: orientation and colour profile ----

class WebpOrientation : public ::testing::TestWithParam<OrientationCase> {};

TEST_P(WebpOrientation, ComesFromItsExifChunk)
{
    const OrientationCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    WriteFile(dir, "in.jpg", WithJpegSegments(Jpeg(Quadrants(64, 32), TJSAMP_444), {ExifSegment(ExifOrientation(c.orientation))}));
    const std::string path = WriteFile(dir, "turned.webp", Cwebp(dir, "in.jpg", {"-lossless", "-metadata", "exif"}));
    const QSize shownSize = c.orientation >= 5 ? QSize(32, 64) : QSize(64, 32);

    const QImage whole = LoadPicture(path);
    ASSERT_EQ(whole.size(), shownSize);
    ExpectQuadrants(whole, c, 24, "whole");
    QSize offered;
    const CutPicture fitted = LoadPictureCut(path, [&](QSize natural) {
        offered = natural;
        return PictureCut{QRect(QPoint(0, 0), natural), natural / 2};
    });
    EXPECT_EQ(offered, shownSize);
    ASSERT_EQ(fitted.image.size(), shownSize / 2);
    ExpectQuadrants(fitted.image, c, 32, "fitted");
    EXPECT_LE(ChannelDistance(fitted.corner, c.topLeft), 32);
    const QRect topLeft(0, 0, shownSize.width() / 2, shownSize.height() / 2);
    const CutPicture part = LoadPictureCut(path, [&](QSize) { return PictureCut{topLeft, topLeft.size()}; });
    EXPECT_EQ(part.image, whole.copy(topLeft));
}

INSTANTIATE_TEST_SUITE_P(Values, WebpOrientation, ::testing::ValuesIn(kOrientations),
                         [](const auto& info) { return std::to_string(info.param.orientation); });

// A HEIF file written through libheif with the rotation and mirror boxes of the orientation and
// an EXIF block saying the same, as phones write them.
Bytes OrientedHeif(const QImage& stored, int orientation, const std::string& path)
{
    heif_context* context = heif_context_alloc();
    heif_image* image = nullptr;
    heif_image_create(stored.width(), stored.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, stored.width(), stored.height(), 8);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < stored.height(); ++y)
        for (int x = 0; x < stored.width(); ++x) {
            const QRgb p = stored.pixel(x, y);
            std::uint8_t* out = plane + y * stride + 3 * x;
            out[0] = std::uint8_t(qRed(p));
            out[1] = std::uint8_t(qGreen(p));
            out[2] = std::uint8_t(qBlue(p));
        }
    heif_encoder* encoder = nullptr;
    heif_error error = heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    EXPECT_EQ(error.code, heif_error_Ok) << error.message;
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = static_cast<heif_orientation>(orientation);
    heif_image_handle* handle = nullptr;
    error = heif_context_encode_image(context, image, encoder, options, &handle);
    EXPECT_EQ(error.code, heif_error_Ok) << error.message;
    const Bytes exif = Bytes("Exif\0\0", 6) + ExifOrientation(orientation);
    heif_context_add_exif_metadata(context, handle, exif.data(), int(exif.size()));
    error = heif_context_write_to_file(context, path.c_str());
    EXPECT_EQ(error.code, heif_error_Ok) << error.message;
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_encoder_release(encoder);
    heif_image_release(image);
    heif_context_free(context);
    return ReadFile(path);
}

class HeifOrientation : public ::testing::TestWithParam<OrientationCase> {};

TEST_P(HeifOrientation, ComesFromItsOwnBoxesAndIsAppliedOnce)
{
    const OrientationCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = PathIn(dir, "turned.heic");
    ASSERT_FALSE(OrientedHeif(Quadrants(64, 32), c.orientation, path).empty());
    const QSize shownSize = c.orientation >= 5 ? QSize(32, 64) : QSize(64, 32);

    const QImage whole = LoadPicture(path);
    ASSERT_EQ(whole.size(), shownSize);
    ExpectQuadrants(whole, c, 24, "whole");
    QSize offered;
    const CutPicture fitted = LoadPictureCut(path, [&](QSize natural) {
        offered = natural;
        return PictureCut{QRect(QPoint(0, 0), natural), natural / 2};
    });
    EXPECT_EQ(offered, shownSize);
    ExpectQuadrants(fitted.image, c, 24, "fitted");
    EXPECT_LE(ChannelDistance(fitted.corner, c.topLeft), 24);
}

INSTANTIATE_TEST_SUITE_P(Values, HeifOrientation, ::testing::ValuesIn(kOrientations),
                         [](const auto& info) { return std::to_string(info.param.orientation); });

// heif-enc copies a JPEG's EXIF block but writes no rotation box: the picture is drawn as
// stored, as the format has it.
TEST(HeifOrientationExifOnly, IsNotApplied)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    WriteFile(dir, "in.jpg", WithJpegSegments(Jpeg(Quadrants(64, 32), TJSAMP_444), {ExifSegment(ExifOrientation(6))}));
    const Bytes heic = HeifEnc(dir, "in.jpg", "out.heic", {"-q", "90"});
    ASSERT_NE(heic.find("Exif"), std::string::npos);
    const QImage whole = LoadPicture(WriteFile(dir, "exif6.heic", heic));
    ASSERT_EQ(whole.size(), QSize(64, 32));
    ExpectQuadrants(whole, kOrientations[0], 24, "exif only");
}

// Display P3 (200, 100, 50) is sRGB (215, 93, 31).
TEST(PictureKindColourProfile, IsConvertedToSrgb)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Bytes p3 = QColorSpace(QColorSpace::DisplayP3).iccProfile().toStdString();
    WriteFile(dir, "p3.png", WithPngChunks(PngOf(Solid(16, 16, qRgb(200, 100, 50))), {{"iCCP", IccpPayload(p3)}}));
    const std::pair<const char*, Bytes> files[] = {
        {"p3.webp", Cwebp(dir, "p3.png", {"-lossless", "-metadata", "icc"})},
        {"p3.heic", HeifEnc(dir, "p3.png", "p3.heic", {"-q", "95", "-p", "chroma=444"})},
    };
    for (const auto& [name, bytes] : files) {
        ASSERT_FALSE(bytes.empty()) << name;
        const std::string path = WriteFile(dir, name, bytes);
        EXPECT_LE(ChannelDistance(LoadPicture(path).pixel(8, 8), qRgb(215, 93, 31)), 6) << name;
        const CutPicture cut = LoadPictureCut(path, [](QSize natural) { return PictureCut{QRect(QPoint(0, 0), natural), natural / 2}; });
        EXPECT_LE(ChannelDistance(cut.corner, qRgb(215, 93, 31)), 6) << name;
    }
}

// ---- files that must be refused ----

struct DamageCase {
    const char* name;
    const char* fileName;
    const char* kind;
    std::function<Bytes(const QTemporaryDir&)> file;
};

const DamageCase kDamageCases[] = {
    {"WebpLossy", "pic.webp", "WebP", [](const QTemporaryDir& d) { WriteFile(d, "in.png", PngOf(Pattern(48, 40))); return Cwebp(d, "in.png", {"-q", "80"}); }},
    {"WebpLosslessAlpha", "pic.webp", "WebP", [](const QTemporaryDir& d) { WriteFile(d, "in.png", PngOf(HalfTransparentQuadrants(48, 40))); return Cwebp(d, "in.png", {"-lossless"}); }},
    {"WebpAnimated", "pic.webp", "WebP", [](const QTemporaryDir& d) {
         WriteFile(d, "a.png", PngOf(Pattern(48, 40)));
         WriteFile(d, "b.png", QuadrantsPng(48, 40));
         return Made(d, "img2webp", {"-lossy", "a.png", "b.png", "-o", "anim.webp"}, "anim.webp", "webp");
     }},
    {"Gif", "pic.gif", "GIF", [](const QTemporaryDir& d) { WriteFile(d, "in.png", PngOf(Pattern(48, 40))); return Convert(d, {"in.png"}, "out.gif"); }},
    {"GifInterlaced", "pic.gif", "GIF", [](const QTemporaryDir& d) { WriteFile(d, "in.png", PngOf(Pattern(48, 40))); return Convert(d, {"in.png", "-interlace", "GIF"}, "out.gif"); }},
    {"Heic", "pic.heic", "HEIF", [](const QTemporaryDir& d) { WriteFile(d, "in.png", PngOf(Pattern(48, 40))); return HeifEnc(d, "in.png", "out.heic"); }},
    {"Avif", "pic.avif", "HEIF", [](const QTemporaryDir& d) { WriteFile(d, "in.png", PngOf(Pattern(48, 40))); return HeifEnc(d, "in.png", "out.avif"); }},
};

void PrintTo(const DamageCase& c, std::ostream* out)
{
    *out << c.name;
}

class PictureKindDamaged : public ::testing::TestWithParam<DamageCase> {};

TEST_P(PictureKindDamaged, CutShortIsRefusedAndNoFlippedByteCrashes)
{
    const DamageCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Bytes bytes = c.file(dir);
    ASSERT_GT(bytes.size(), 40u);
    ASSERT_NO_THROW(LoadPicture(WriteFile(dir, c.fileName, bytes)));
    const std::string damaged = std::string("damaged or truncated ") + c.kind + " file";

    // A GIF's first frame is all that is read, so its cuts stay inside it (the trailer and
    // the frame's last block are past 90 %).
    for (const double kept : {0.05, 0.2, 0.45, 0.7, 0.9}) {
        const std::size_t at = std::size_t(double(bytes.size()) * kept);
        ExpectRefused(WriteFile(dir, c.fileName, bytes.substr(0, at)), {damaged}, "cut at " + std::to_string(at));
    }
    if (std::string(c.kind) != "GIF")
        ExpectRefused(WriteFile(dir, c.fileName, bytes.substr(0, bytes.size() - 1)), {damaged}, "the last byte cut");

    // Bytes flipped in turn, each of the headers' and every seventh after: a picture or a
    // refusal, and nothing else.
    for (std::size_t i = 0; i < bytes.size(); i += i < 256 ? 1 : 7) {
        Bytes flipped = bytes;
        flipped[i] = char(flipped[i] ^ 0x5A);
        const std::string path = WriteFile(dir, c.fileName, flipped);
        try {
            const QImage picture = LoadPicture(path);
            EXPECT_FALSE(picture.isNull()) << "byte " << i;
        } catch (const EPictureError&) {
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, PictureKindDamaged, ::testing::ValuesIn(kDamageCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A VP8X header declaring a canvas of width x height, and nothing after it.
Bytes WebpCanvasOnly(std::uint32_t width, std::uint32_t height)
{
    const auto le = [](std::uint32_t v, int bytes) {
        Bytes out;
        for (int i = 0; i < bytes; ++i)
            out += char((v >> (8 * i)) & 0xFF);
        return out;
    };
    const Bytes vp8x = "VP8X" + le(10, 4) + le(0, 4) + le(width - 1, 3) + le(height - 1, 3);
    return "RIFF" + le(std::uint32_t(4 + vp8x.size()), 4) + "WEBP" + vp8x;
}

// A HEIF file whose primary picture is an overlay ('iovl') or a grid of one tile ('grid') on a
// canvas of canvasSide x canvasSide pixels, declared (ispe) as 64 x 64, made of the one coded
// picture of the file heif-enc wrote.
Bytes HeifDerived(const Bytes& encoded, const char* type, std::uint16_t canvasSide)
{
    const auto be = [](std::uint32_t v, int bytes) {
        Bytes out;
        for (int i = bytes - 1; i >= 0; --i)
            out += char((v >> (8 * i)) & 0xFF);
        return out;
    };
    const auto boxIn = [&](const char* type) {
        const std::size_t at = encoded.find(type);
        if (at == std::string::npos || at < 4)
            return Bytes();
        const auto size = std::uint32_t(std::uint8_t(encoded[at - 4])) << 24 | std::uint32_t(std::uint8_t(encoded[at - 3])) << 16
                        | std::uint32_t(std::uint8_t(encoded[at - 2])) << 8 | std::uint32_t(std::uint8_t(encoded[at - 1]));
        return encoded.substr(at - 4, size);
    };
    const Bytes hvcC = boxIn("hvcC");
    const Bytes coded = boxIn("mdat").substr(8);
    const auto box = [&](const char* type, const Bytes& payload) { return be(std::uint32_t(8 + payload.size()), 4) + type + payload; };
    const auto full = [&](const char* type, int version, const Bytes& payload) { return box(type, be(std::uint32_t(version) << 24, 4) + payload); };
    const auto infe = [&](int id, const char* type) { return full("infe", 2, be(id, 2) + be(0, 2) + type + Bytes(1, '\0')); };
    // version and flags, then the overlay's background colour or the grid's rows and columns less
    // one, the canvas's width and height, and the overlay's place of its one picture
    const bool grid = Bytes(type) == "grid";
    const Bytes overlay = be(0, 2) + (grid ? be(0, 2) : Bytes(8, char(0xFF))) + be(canvasSide, 2) + be(canvasSide, 2)
                        + (grid ? Bytes() : be(0, 4));
    const Bytes ispe = full("ispe", 0, be(64, 4) + be(64, 4));
    const Bytes iloc = full("iloc", 1, be(0x4400, 2) + be(2, 2)
                                           + be(1, 2) + be(1, 2) + be(0, 2) + be(1, 2) + be(0, 4) + be(std::uint32_t(overlay.size()), 4)
                                           + be(2, 2) + be(1, 2) + be(0, 2) + be(1, 2) + be(std::uint32_t(overlay.size()), 4)
                                           + be(std::uint32_t(coded.size()), 4));
    const Bytes meta = full("meta", 0,
                            full("hdlr", 0, be(0, 4) + "pict" + Bytes(13, '\0')) + full("pitm", 0, be(1, 2))
                                + full("iinf", 0, be(2, 2) + infe(1, type) + infe(2, "hvc1"))
                                + full("iref", 0, box("dimg", be(1, 2) + be(1, 2) + be(2, 2)))
                                + box("iprp", box("ipco", ispe + hvcC)
                                                  + full("ipma", 0, be(2, 4) + be(1, 2) + be(0x0181, 2) + be(2, 2) + be(0x028182, 3)))
                                + iloc + box("idat", overlay + coded));
    return box("ftyp", Bytes("heic") + be(0, 4) + "mif1heic") + meta;
}

TEST(PictureKindRefused, WrongKindsAndHugeDeclaredSizes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Bytes png = QuadrantsPng(16, 16);
    ExpectRefused(WriteFile(dir, "png.webp", png), {"not a WebP file"}, "a PNG named .webp");
    ExpectRefused(WriteFile(dir, "png.gif", png), {"not a GIF file"}, "a PNG named .gif");
    ExpectRefused(WriteFile(dir, "png.heic", png), {"not a HEIF file"}, "a PNG named .heic");
    ExpectRefused(WriteFile(dir, "png.avif", png), {"not a HEIF file"}, "a PNG named .avif");
    ExpectRefused(WriteFile(dir, "empty.webp", Bytes()), {"empty"}, "an empty WebP");

    ExpectRefused(WriteFile(dir, "huge.webp", WebpCanvasOnly(30000, 30000)), {"too large", "30000 x 30000"}, "a huge WebP canvas");

    WriteFile(dir, "in.png", png);
    Bytes gif = Convert(dir, {"in.png"}, "out.gif");
    ASSERT_GT(gif.size(), 10u);
    // The logical screen's width and height, little-endian, right after the signature.
    gif[6] = gif[8] = char(30000 & 0xFF);
    gif[7] = gif[9] = char(30000 >> 8);
    ExpectRefused(WriteFile(dir, "huge.gif", gif), {"too large", "30000 x 30000"}, "a huge GIF screen");

    Bytes heic = HeifEnc(dir, "in.png", "out.heic");
    const std::size_t ispe = heic.find("ispe");
    ASSERT_NE(ispe, std::string::npos);
    // After the box type: version and flags, then width and height, big-endian.
    for (std::size_t at = ispe; at != std::string::npos; at = heic.find("ispe", at + 4))
        for (const std::size_t field : {at + 8, at + 12}) {
            heic[field] = 0;
            heic[field + 1] = 0;
            heic[field + 2] = char(30000 >> 8);
            heic[field + 3] = char(30000 & 0xFF);
        }
    ExpectRefused(WriteFile(dir, "huge.heic", heic), {"too large", "30000 x 30000"}, "a huge HEIF ispe");
    // A derived picture's canvas is not its declared size, and libheif allocates it (three planes,
    // 5 GB for this overlay) once it has decoded the first picture to lay on it.
    WriteFile(dir, "red.png", PngOf(Solid(64, 64, qRgb(255, 0, 0))));
    const Bytes red = HeifEnc(dir, "red.png", "red.heic");
    for (const char* type : {"iovl", "grid"}) {
        EXPECT_EQ(WholeCut(WriteFile(dir, "small.heic", HeifDerived(red, type, 64))).natural, QSize(64, 64)) << type;
        ExpectRefused(WriteFile(dir, "huge.heic", HeifDerived(red, type, 30000)), {"too large", "a canvas of 30000 x 30000"}, type);
    }
}

}  // namespace
