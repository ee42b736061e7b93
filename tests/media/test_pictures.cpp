#include "picture_decoders.h"
#include "test_pictures_writers.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <sys/stat.h>
#include <cstdlib>
#include <fstream>
#include <functional>

using namespace picture_test;

namespace {

const QImage kPattern = Pattern(37, 23);

std::string WriteFile(const QTemporaryDir& dir, const std::string& name, const Bytes& bytes)
{
    const std::string path = QDir(dir.path()).filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

int MaxChannelDifference(const QImage& a, const QImage& b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

bool AllOpaque(const QImage& picture)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qAlpha(reinterpret_cast<const QRgb*>(picture.constScanLine(y))[x]) != 255)
                return false;
    return true;
}

QImage FromPixels(int width, int height, const std::vector<QRgb>& pixels)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int i = 0; i < width * height; ++i)
        picture.setPixel(i % width, i / width, pixels[i]);
    return picture;
}

// ---- pictures that decode ----

struct DecodeCase {
    const char* name;
    const char* fileName;
    std::function<Bytes()> file;
    std::function<QImage()> expected;
    int tolerance;  // largest allowed channel difference; 0 for lossless kinds
};

std::vector<std::uint8_t> PatternBytes(int bytesPerChannel)
{
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < kPattern.height(); ++y)
        for (int x = 0; x < kPattern.width(); ++x) {
            const QRgb p = kPattern.pixel(x, y);
            for (int channel : {qRed(p), qGreen(p), qBlue(p)})
                for (int i = 0; i < bytesPerChannel; ++i)
                    bytes.push_back(static_cast<std::uint8_t>(channel));  // v * 257 when 16-bit
        }
    return bytes;
}

PngLayout PatternPng(int bitDepth, bool interlaced)
{
    return {kPattern.width(), kPattern.height(), PNG_COLOR_TYPE_RGB, bitDepth, interlaced, PatternBytes(bitDepth / 8), {}, {}};
}

std::vector<std::uint8_t> PatternCmyk()
{
    std::vector<std::uint8_t> cmyk;
    for (int y = 0; y < kPattern.height(); ++y)
        for (int x = 0; x < kPattern.width(); ++x) {
            const QRgb p = kPattern.pixel(x, y);
            const int k = x < kPattern.width() / 2 ? 255 : 128;
            cmyk.insert(cmyk.end(), {std::uint8_t(qRed(p)), std::uint8_t(qGreen(p)), std::uint8_t(qBlue(p)), std::uint8_t(k)});
        }
    return cmyk;
}

QImage PatternThroughCmyk()
{
    QImage expected = kPattern.copy();
    for (int y = 0; y < expected.height(); ++y)
        for (int x = expected.width() / 2; x < expected.width(); ++x) {
            const QRgb p = expected.pixel(x, y);
            expected.setPixel(x, y, qRgb(qRed(p) * 128 / 255, qGreen(p) * 128 / 255, qBlue(p) * 128 / 255));
        }
    return expected;
}

QImage Indexed8Pattern()
{
    QImage indexed(11, 5, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(200, 30, 60), qRgb(5, 150, 250)});
    for (int y = 0; y < indexed.height(); ++y)
        for (int x = 0; x < indexed.width(); ++x)
            indexed.setPixel(x, y, (x * 3 + y) % 4);
    return indexed;
}

const DecodeCase kDecodeCases[] = {
    {"JpegRgb", "pic.jpg", [] { return Jpeg(kPattern, TJSAMP_444); }, [] { return kPattern; }, 12},
    {"JpegUpperCaseExtension", "PIC.JPG", [] { return Jpeg(kPattern, TJSAMP_444); }, [] { return kPattern; }, 12},
    {"JpegMixedCaseExtension", "pic.JpG", [] { return Jpeg(kPattern, TJSAMP_444); }, [] { return kPattern; }, 12},
    {"JpegSubsampled", "pic.jpg", [] { return Jpeg(kPattern, TJSAMP_420); }, [] { return kPattern; }, 16},
    {"JpegProgressive", "pic.jpg", [] { return Jpeg(kPattern, TJSAMP_444, TJFLAG_PROGRESSIVE); },
     [] { return kPattern; }, 12},
    {"JpegGray", "pic.jpg", [] { return JpegGray(kPattern); },
     [] { return kPattern.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32); }, 4},
    {"JpegCmyk", "pic.jpg", [] { return JpegCmyk(PatternCmyk(), kPattern.width(), kPattern.height()); },
     PatternThroughCmyk, 12},
    {"JpegNamedOnlyByExtension", ".jpg", [] { return Jpeg(kPattern, TJSAMP_444); }, [] { return kPattern; }, 12},

    {"PngRgb", "pic.png", [] { return Png(PatternPng(8, false)); }, [] { return kPattern; }, 0},
    {"PngUpperCaseExtension", "PIC.PNG", [] { return Png(PatternPng(8, false)); }, [] { return kPattern; }, 0},
    {"Png16Bit", "pic.png", [] { return Png(PatternPng(16, false)); }, [] { return kPattern; }, 0},
    {"PngInterlaced", "pic.png", [] { return Png(PatternPng(8, true)); }, [] { return kPattern; }, 0},
    {"PngAlphaOntoWhite", "pic.png",
     [] {
         return Png({5, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, false,
                     {255, 0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 128, 10, 20, 30, 200, 9, 9, 9, 1}, {}, {}});
     },
     [] {
         return FromPixels(5, 1, {qRgb(255, 0, 0), qRgb(255, 255, 255), qRgb(127, 127, 255), qRgb(63, 71, 79),
                                  qRgb(254, 254, 254)});
     },
     0},
    {"PngGrayAlpha", "pic.png",
     [] { return Png({3, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {100, 255, 100, 0, 0, 128}, {}, {}}); },
     [] { return FromPixels(3, 1, {qRgb(100, 100, 100), qRgb(255, 255, 255), qRgb(127, 127, 127)}); }, 0},
    {"PngPaletteFourBitWithTransparency", "pic.png",
     [] {
         // 5 x 2 pixels of indices 0,1,2,3,0 / 1,2,3,0,1 packed two to a byte, rows padded.
         return Png({5, 2, PNG_COLOR_TYPE_PALETTE, 4, false, {0x01, 0x23, 0x00, 0x12, 0x30, 0x10},
                     {255, 0, 0, 0, 128, 0, 0, 0, 255, 200, 100, 50}, {255, 255, 0}});
     },
     [] {
         const QRgb c[] = {qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(255, 255, 255), qRgb(200, 100, 50)};
         return FromPixels(5, 2, {c[0], c[1], c[2], c[3], c[0], c[1], c[2], c[3], c[0], c[1]});
     },
     0},
    {"PngGrayOneBit", "pic.png",
     [] { return Png({9, 2, PNG_COLOR_TYPE_GRAY, 1, false, {0xA5, 0x80, 0x0F, 0x00}, {}, {}}); },
     [] {
         const QRgb w = qRgb(255, 255, 255), b = qRgb(0, 0, 0);
         return FromPixels(9, 2, {w, b, w, b, b, w, b, w, w, b, b, b, b, w, w, w, w, b});
     },
     0},

    {"Bmp24Bit", "pic.bmp", [] { return Bmp(kPattern); }, [] { return kPattern; }, 0},
    {"BmpUpperCaseExtension", "PIC.BMP", [] { return Bmp(kPattern); }, [] { return kPattern; }, 0},
    {"BmpIndexed", "pic.bmp", [] { return Bmp(Indexed8Pattern()); },
     [] { return Indexed8Pattern().convertToFormat(QImage::Format_RGB32); }, 0},
};

void PrintTo(const DecodeCase& c, std::ostream* out)
{
    *out << c.name;
}

class PictureDecodes : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(PictureDecodes, ToOpaqueRgb32WithTheRightPixels)
{
    const DecodeCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = WriteFile(dir, c.fileName, c.file());
    const QImage expected = c.expected();

    const QImage picture = LoadPicture(path);

    ASSERT_EQ(picture.format(), QImage::Format_RGB32);
    ASSERT_EQ(picture.size(), expected.size());
    EXPECT_TRUE(AllOpaque(picture));
    EXPECT_LE(MaxChannelDifference(picture, expected), c.tolerance);
}

INSTANTIATE_TEST_SUITE_P(Kinds, PictureDecodes, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- files that must be refused ----

struct RefuseCase {
    const char* name;
    const char* fileName;
    std::function<Bytes()> file;  // empty: no file is written
    std::vector<std::string> messageParts;
};

Bytes Cut(const Bytes& bytes, std::size_t keep)
{
    return bytes.substr(0, keep);
}

Bytes FlipByteAt(Bytes bytes, std::size_t position)
{
    bytes[position] = static_cast<char>(bytes[position] ^ 0x5A);
    return bytes;
}

const RefuseCase kRefuseCases[] = {
    {"PngNamedJpg", "pic.jpg", [] { return Png(PatternPng(8, false)); }, {"not a JPEG file"}},
    {"BmpNamedJpg", "pic.jpg", [] { return Bmp(kPattern); }, {"not a JPEG file"}},
    {"JpegNamedPng", "pic.png", [] { return Jpeg(kPattern, TJSAMP_444); }, {"not a PNG file"}},
    {"JpegNamedBmp", "pic.bmp", [] { return Jpeg(kPattern, TJSAMP_444); }, {"not a BMP file"}},
    {"PngNamedBmp", "pic.bmp", [] { return Png(PatternPng(8, false)); }, {"not a BMP file"}},
    {"TextNamedJpg", "pic.jpg", [] { return Bytes("hello, world\n"); }, {"not a JPEG file"}},

    {"JpegCutInHalf", "pic.jpg", [] { auto j = Jpeg(kPattern, TJSAMP_444); return Cut(j, j.size() / 2); },
     {"damaged or truncated JPEG file"}},
    {"JpegWithoutEndMarker", "pic.jpg", [] { auto j = Jpeg(kPattern, TJSAMP_444); return Cut(j, j.size() - 2); },
     {"damaged or truncated JPEG file"}},
    {"JpegHeaderOnlyPart", "pic.jpg", [] { return Cut(Jpeg(kPattern, TJSAMP_444), 40); },
     {"damaged or truncated JPEG file"}},
    {"JpegTwoBytes", "pic.jpg", [] { return Bytes("\xFF\xD8", 2); }, {"damaged or truncated JPEG file"}},
    {"PngCutInHalf", "pic.png", [] { auto p = Png(PatternPng(8, false)); return Cut(p, p.size() / 2); },
     {"damaged or truncated PNG file"}},
    {"PngWithoutEnd", "pic.png", [] { auto p = Png(PatternPng(8, false)); return Cut(p, p.size() - 12); },
     {"damaged or truncated PNG file"}},
    {"PngSignatureOnly", "pic.png", [] { return Cut(Png(PatternPng(8, false)), 8); },
     {"damaged or truncated PNG file"}},
    {"PngImageDataCorrupted", "pic.png", [] { auto p = Png(PatternPng(8, false)); return FlipByteAt(p, p.size() - 30); },
     {"damaged or truncated PNG file"}},
    {"BmpCutInHalf", "pic.bmp", [] { auto b = Bmp(kPattern); return Cut(b, b.size() / 2); },
     {"damaged or truncated BMP file"}},
    {"BmpHeaderCut", "pic.bmp", [] { return Cut(Bmp(kPattern), 20); }, {"damaged or truncated BMP file"}},

    {"EmptyJpeg", "pic.jpg", [] { return Bytes(); }, {"empty"}},
    {"EmptyPng", "pic.png", [] { return Bytes(); }, {"empty"}},
    {"EmptyBmp", "pic.bmp", [] { return Bytes(); }, {"empty"}},
    {"MissingFile", "absent.png", nullptr, {"does not exist"}},

    {"HugePngHeader", "huge.png", [] { return PngHeaderOnly(30000, 30000); }, {"too large", "30000 x 30000"}},
    {"HugeJpegHeader", "huge.jpg", [] { return WithJpegSize(Jpeg(kPattern, TJSAMP_444), 30000, 30000); },
     {"too large", "30000 x 30000"}},
    {"HugeBmpHeader", "huge.bmp", [] { return BmpHeaderOnly(30000, 30000); }, {"too large", "30000 x 30000"}},
    {"HugeTopDownBmpHeader", "huge.bmp", [] { return BmpHeaderOnly(30000, -30000); }, {"too large"}},
    {"LongThinPngOverLimit", "thin.png", [] { return PngHeaderOnly(1, 100'000'001); }, {"too large"}},
    {"TooManyProgressiveScans", "scans.jpg",
     [] { return WithRepeatedLastScan(Jpeg(kPattern, TJSAMP_444, TJFLAG_PROGRESSIVE), 600); }, {"scans"}},

    {"UnknownExtension", "pic.gif", [] { return Png(PatternPng(8, false)); }, {"\".gif\" is not a supported"}},
    {"JpegLongExtension", "pic.jpeg", [] { return Jpeg(kPattern, TJSAMP_444); }, {"\".jpeg\" is not a supported"}},
    {"NoExtension", "picture", [] { return Png(PatternPng(8, false)); }, {"no extension"}},
    {"ExtensionOnlyInFolderName", "dir.png/picture", nullptr, {"no extension"}},
};

void PrintTo(const RefuseCase& c, std::ostream* out)
{
    *out << c.name;
}

class PictureRefused : public ::testing::TestWithParam<RefuseCase> {};

TEST_P(PictureRefused, WithAMessageNamingTheFileAndTheReason)
{
    const RefuseCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path =
        c.file ? WriteFile(dir, c.fileName, c.file()) : QDir(dir.path()).filePath(c.fileName).toStdString();

    try {
        LoadPicture(path);
        FAIL() << "no error for " << path;
    } catch (const EPictureError& error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind("Cannot load picture \"" + path + "\": ", 0), 0u) << message;
        for (const std::string& part : c.messageParts)
            EXPECT_NE(message.find(part), std::string::npos) << "\"" << part << "\" not in: " << message;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, PictureRefused, ::testing::ValuesIn(kRefuseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PictureRefusedSpecial, FolderWithAPictureName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.jpg"));
    const std::string path = QDir(dir.path()).filePath("folder.jpg").toStdString();
    try {
        LoadPicture(path);
        FAIL() << "no error for " << path;
    } catch (const EPictureError& error) {
        EXPECT_NE(std::string(error.what()).find("folder"), std::string::npos) << error.what();
    }
}

TEST(PictureRefusedSpecial, NamedPipeWithAPictureNameDoesNotBlock)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"pipe.jpg", "pipe.png", "pipe.bmp"}) {
        const std::string path = QDir(dir.path()).filePath(name).toStdString();
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        // Opening a pipe nobody writes to would wait for ever.
        EXPECT_THROW(LoadPicture(path), EPictureError) << name;
    }
}

// ---- reduced decoding ----

struct ScaledCase {
    const char* name;
    int width, height;  // of the JPEG
    int maxWidth, maxHeight;
    int expectedWidth, expectedHeight;
};

const ScaledCase kScaledCases[] = {
    {"EighthCoversSmallFit", 800, 600, 100, 100, 100, 75},
    {"ThreeEighthsForFitOf300", 800, 600, 300, 300, 300, 225},
    {"JustOverAFactorKeepsTheLarger", 800, 600, 301, 1000, 400, 300},
    {"TallPicture", 600, 800, 1000, 100, 75, 100},
    {"AlreadyFits", 800, 600, 1024, 768, 800, 600},
    {"NoTarget", 800, 600, 0, 0, 800, 600},
    {"OddSizeRoundsUp", 801, 601, 100, 100, 101, 76},
};

void PrintTo(const ScaledCase& c, std::ostream* out)
{
    *out << c.name;
}

class PictureScaled : public ::testing::TestWithParam<ScaledCase> {};

TEST_P(PictureScaled, JpegDecodesToTheSmallestSizeCoveringTheFit)
{
    const ScaledCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage solid(c.width, c.height, QImage::Format_RGB32);
    solid.fill(qRgb(30, 160, 220));
    const std::string path = WriteFile(dir, "big.jpg", Jpeg(solid, TJSAMP_444));

    const QImage picture = LoadPictureScaled(path, c.maxWidth, c.maxHeight);

    EXPECT_EQ(picture.format(), QImage::Format_RGB32);
    EXPECT_EQ(picture.size(), QSize(c.expectedWidth, c.expectedHeight));
    QImage expected(picture.size(), QImage::Format_RGB32);
    expected.fill(qRgb(30, 160, 220));
    EXPECT_LE(MaxChannelDifference(picture, expected), 4);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PictureScaled, ::testing::ValuesIn(kScaledCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PictureScaledOtherKinds, ComeAtNaturalSize)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage big = Pattern(400, 300);
    EXPECT_EQ(LoadPictureScaled(WriteFile(dir, "big.png", Png({400, 300, PNG_COLOR_TYPE_RGB, 8, false,
                                                                   std::vector<std::uint8_t>(400 * 300 * 3, 7), {}, {}})),
                                10, 10)
                  .size(),
              QSize(400, 300));
    EXPECT_EQ(LoadPictureScaled(WriteFile(dir, "big.bmp", Bmp(big)), 10, 10), big);
}

}  // namespace
