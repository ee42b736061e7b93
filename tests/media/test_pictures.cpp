#include "picture_writers.h"
#include "media/picture_decoders.h"

#include <QColorSpace>
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

// Stored as a BMP keeps it: blue, green, red in the low three bytes.
std::uint32_t StoredBgr(QRgb p)
{
    return static_cast<std::uint32_t>(qBlue(p) | qGreen(p) << 8 | qRed(p) << 16);
}

Bytes TopDownBmp24()
{
    return BmpFile({kPattern.width(), -kPattern.height(), 24, 0, 40, {}, {},
                    BmpRows(kPattern.width(), kPattern.height(), 24, [](int x, int y) { return StoredBgr(kPattern.pixel(x, y)); })});
}

// 64 x 64 in two colours, each row one run of each, bottom row first.
Bytes Rle8Bmp()
{
    Bytes stream;
    for (int y = 0; y < 64; ++y)
        stream += Bytes{char(24 + y / 2), 1, char(40 - y / 2), 2, 0, 0};
    stream += Bytes("\0\1", 2);
    return BmpFile({64, 64, 8, 1, 40, {qRgb(0, 0, 0), qRgb(250, 200, 10), qRgb(10, 60, 240)}, {}, stream});
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
    {"JpegLongExtension", "pic.jpeg", [] { return Jpeg(kPattern, TJSAMP_444); }, [] { return kPattern; }, 12},
    {"JpegJpeExtension", "pic.JPE", [] { return Jpeg(kPattern, TJSAMP_420); }, [] { return kPattern; }, 16},
    {"JpegJfifExtension", "pic.jfif", [] { return JpegGray(kPattern); },
     [] { return kPattern.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32); }, 4},

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
    {"Bmp24BitTopDown", "pic.bmp", TopDownBmp24, [] { return kPattern; }, 0},
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
    {"BmpRle8CutShort", "pic.bmp", [] { auto b = Rle8Bmp(); return Cut(b, b.size() / 3); },
     {"damaged or truncated BMP file"}},
    {"BmpTopDownCut", "pic.bmp", [] { auto b = TopDownBmp24(); return Cut(b, b.size() - 1); },
     {"damaged or truncated BMP file"}},

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

    {"UnknownExtension", "pic.tif", [] { return Png(PatternPng(8, false)); }, {"\".tif\" is not a supported"}},
    {"JpegExtensionWithMore", "pic.jpeg2", [] { return Jpeg(kPattern, TJSAMP_444); }, {"\".jpeg2\" is not a supported"}},
    {"JpegNamedWebp", "pic.webp", [] { return Jpeg(kPattern, TJSAMP_444); }, {"not a WebP file"}},
    {"JpegNamedGif", "pic.gif", [] { return Jpeg(kPattern, TJSAMP_444); }, {"not a GIF file"}},
    {"JpegNamedHeic", "pic.heic", [] { return Jpeg(kPattern, TJSAMP_444); }, {"not a HEIF file"}},
    {"PngNamedJpeg", "pic.jpeg", [] { return Png(PatternPng(8, false)); }, {"not a JPEG file"}},
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
    for (const char* name : {"pipe.jpg", "pipe.png", "pipe.bmp", "pipe.webp", "pipe.gif", "pipe.heic"}) {
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

// ---- large JPEGs: decoded on two threads, the same as in one pass ----

// A picture with fine detail everywhere, so that every part of the entropy data matters.
QImage NoisyPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    unsigned state = 12345u;
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int n = int(state >> 27);
            row[x] = qRgb((x * 255 / width + n) & 255, (y * 255 / height + 2 * n) & 255, ((x ^ y) + n) & 255);
        }
    }
    return picture;
}

// The picture as TurboJPEG decodes it in one pass, at the given scale.
QImage DecodedInOnePass(const Bytes& jpeg, tjscalingfactor scale)
{
    tjhandle handle = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
    EXPECT_EQ(tjDecompressHeader3(handle, data, jpeg.size(), &width, &height, &subsampling, &colourspace), 0);
    QImage picture(TJSCALED(width, scale), TJSCALED(height, scale), QImage::Format_RGB32);
    EXPECT_EQ(tjDecompress2(handle, data, jpeg.size(), picture.bits(), picture.width(), int(picture.bytesPerLine()),
                            picture.height(), TJPF_BGRX, 0),
              0)
        << tjGetErrorStr2(handle);
    tjDestroy(handle);
    return picture;
}

TEST(LargeJpeg, DecodesExactlyAsInOnePassWhateverTheLayoutAndScale)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Odd sizes, so that the halves meet inside a block row and the last row is partly filled.
    const QImage natural = NoisyPicture(1999, 1103);
    for (const int subsampling : {TJSAMP_444, TJSAMP_422, TJSAMP_420, TJSAMP_440, TJSAMP_411}) {
        SCOPED_TRACE("subsampling " + std::to_string(subsampling));
        const Bytes jpeg = Jpeg(natural, subsampling, 0, 90);
        EXPECT_TRUE(LoadPicture(WriteFile(dir, "large.jpg", jpeg)) == DecodedInOnePass(jpeg, {1, 1}));
    }
    const Bytes gray = JpegGray(natural);
    EXPECT_TRUE(LoadPicture(WriteFile(dir, "gray.jpg", gray)) == DecodedInOnePass(gray, {1, 1}));

    // A camera-sized picture decoded reduced, at 3/8 and at 1/2.
    const Bytes big = Jpeg(NoisyPicture(4001, 2999), TJSAMP_420, 0, 90);
    const std::string bigPath = WriteFile(dir, "big.jpg", big);
    const QImage threeEighths = LoadPictureScaled(bigPath, 1920, 1080);
    EXPECT_EQ(threeEighths.size(), QSize(1501, 1125));
    EXPECT_TRUE(threeEighths == DecodedInOnePass(big, {3, 8}));
    const QImage half = LoadPictureScaled(bigPath, 2001, 1500);
    EXPECT_EQ(half.size(), QSize(2001, 1500));
    EXPECT_TRUE(half == DecodedInOnePass(big, {1, 2}));
}

TEST(LargeJpeg, CutAnywhereIsDamaged)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Bytes jpeg = Jpeg(NoisyPicture(2400, 1200), TJSAMP_420, 0, 90);
    // Cut in the upper rows, and so late that only the lowest rows are missing.
    for (const double kept : {0.4, 0.97}) {
        const std::string path = WriteFile(dir, "cut.jpg", Cut(jpeg, std::size_t(double(jpeg.size()) * kept)));
        try {
            LoadPicture(path);
            ADD_FAILURE() << "no error for a file cut at " << kept;
        } catch (const EPictureError& error) {
            EXPECT_NE(std::string(error.what()).find("damaged or truncated JPEG file"), std::string::npos)
                << error.what();
        }
    }
}

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


// ---- BMP layouts: read as Qt's own reader reads them ----

struct BmpCase {
    const char* name;
    std::function<Bytes()> file;
    // Where Qt's reader leaves pixels undefined (those that RLE skips), the picture expected;
    // empty: Qt's reading of the file.
    std::function<QImage()> expected = nullptr;
};

const std::vector<QRgb> kSixteenColours = {
    qRgb(0, 0, 0),     qRgb(255, 255, 255), qRgb(200, 30, 60),  qRgb(5, 150, 250),   qRgb(20, 200, 20),  qRgb(250, 250, 0),
    qRgb(90, 0, 130),  qRgb(0, 90, 90),     qRgb(128, 128, 128), qRgb(255, 128, 0),  qRgb(10, 20, 30),   qRgb(40, 50, 60),
    qRgb(70, 80, 90),  qRgb(100, 110, 120), qRgb(130, 140, 150), qRgb(160, 170, 180)};

std::vector<QRgb> FirstColours(std::size_t count)
{
    return {kSixteenColours.begin(), kSixteenColours.begin() + static_cast<std::ptrdiff_t>(count)};
}

// The picture of an index per pixel, one string of digits per row, top row first.
QImage FromIndices(const std::vector<std::string>& rows)
{
    QImage picture(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, kSixteenColours[std::size_t(rows[std::size_t(y)][std::size_t(x)] - '0')]);
    return picture;
}

// A picture of 8 x 4 in four colours: runs, pixels as they are (odd counts, with padding),
// a move that skips pixels, rows ended early and the picture ended early.
Bytes Rle8Stream()
{
    return Bytes{3, 1, 0, 3, 2, 3, 1, 0, 2, 2, 0, 0,  // 3 x colour 1, then 2 3 1 and a pad byte, 2 x colour 2
                 0, 2, 2, 1,                          // two right, one up
                 4, 3, 0, 0,                          // 4 x colour 3 from x = 4 of the third row
                 8, 1, 0, 1};                         // a full fourth row, then the end
}

Bytes Rle4Stream()
{
    return Bytes{5, 0x12, 0, 3, 0x31, 0x20, 0, 0,  // 1 2 1 2 1, then 3 1 2 (two bytes, no pad)
                 0, 5, 0x12, 0x30, 0x10, 0, 0, 0,  // 1 2 3 0 1 and a pad byte
                 0, 2, 3, 1,                       // three right, one up
                 2, 0x33, 0, 1};                   // 3 3, then the end
}

const BmpCase kBmpCases[] = {
    {"OneBit", [] { return BmpFile({13, 5, 1, 0, 40, {qRgb(255, 0, 0), qRgb(0, 0, 255)}, {}, BmpRows(13, 5, 1, [](int x, int y) { return std::uint32_t((x + y) % 2); })}); }},
    {"FourBit", [] { return BmpFile({7, 4, 4, 0, 40, kSixteenColours, {}, BmpRows(7, 4, 4, [](int x, int y) { return std::uint32_t((3 * x + y) % 16); })}); }},
    {"EightBitShortTable", [] { return BmpFile({9, 3, 8, 0, 40, FirstColours(5), {}, BmpRows(9, 3, 8, [](int x, int y) { return std::uint32_t((x + y) % 5); })}); }},
    {"EightBitTopDown", [] { return BmpFile({9, -3, 8, 0, 40, FirstColours(5), {}, BmpRows(9, 3, 8, [](int x, int y) { return std::uint32_t((x + 2 * y) % 5); })}); }},
    {"ThirtyTwo", [] { return BmpFile({5, 3, 32, 0, 40, {}, {}, BmpRows(5, 3, 32, [](int x, int y) { return StoredBgr(kPattern.pixel(x, y)); })}); }},
    {"ThirtyTwoMasksReversed", [] { return BmpFile({5, 3, 32, 3, 40, {}, {0x0000FF, 0x00FF00, 0xFF0000}, BmpRows(5, 3, 32, [](int x, int y) { return StoredBgr(kPattern.pixel(x, y)); })}); }},
    {"Os2Header24Bit", [] { return BmpFile({5, 3, 24, 0, 12, {}, {}, BmpRows(5, 3, 24, [](int x, int y) { return StoredBgr(kPattern.pixel(x, y)); })}); }},
    {"Os2Header8Bit", [] {
         std::vector<QRgb> table = FirstColours(4);
         table.resize(256);  // this header has no count of colours
         return BmpFile({5, 3, 8, 0, 12, table, {}, BmpRows(5, 3, 8, [](int x, int y) { return std::uint32_t((x * y) % 4); })});
     }},
    {"V5Header24Bit", [] { return BmpFile({5, 3, 24, 0, 124, {}, {}, BmpRows(5, 3, 24, [](int x, int y) { return StoredBgr(kPattern.pixel(x, y)); })}); }},
    {"Rle8", [] { return BmpFile({8, 4, 8, 1, 40, FirstColours(4), {}, Rle8Stream()}); },
     [] { return FromIndices({"11111111", "00333300", "00000000", "11123122"}); }},
    {"Rle4", [] { return BmpFile({8, 4, 4, 2, 40, FirstColours(4), {}, Rle4Stream()}); },
     [] { return FromIndices({"00033000", "00000000", "12301000", "12121312"}); }},
    {"Rle8Whole", Rle8Bmp},
};

void PrintTo(const BmpCase& c, std::ostream* out)
{
    *out << c.name;
}

class BmpLayouts : public ::testing::TestWithParam<BmpCase> {};

TEST_P(BmpLayouts, ReadAsQtReadsThem)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Bytes bytes = GetParam().file();
    const QImage expected = GetParam().expected
                                ? GetParam().expected()
                                : QImage::fromData(QByteArray::fromStdString(bytes), "BMP").convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(expected.isNull());

    const QImage picture = LoadPicture(WriteFile(dir, "pic.bmp", bytes));

    ASSERT_EQ(picture.size(), expected.size());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            ASSERT_EQ(picture.pixel(x, y), expected.pixel(x, y)) << "at " << x << ", " << y;
}

INSTANTIATE_TEST_SUITE_P(Layouts, BmpLayouts, ::testing::ValuesIn(kBmpCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Qt widens five bits by shifting them, so that its brightest is 248; these span 0 to 255.
TEST(BmpSixteenBit, ChannelsSpanTheWholeRange)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::vector<std::uint32_t> stored555 = {0x7FFF, 0x0000, 0x4210, 0x7C00};
    const std::vector<std::uint32_t> stored565 = {0xFFFF, 0x0000, 0x8410, 0x07E0};
    const QImage expected = FromPixels(4, 1, {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(132, 132, 132), qRgb(255, 0, 0)});
    const QImage expected565 = FromPixels(4, 1, {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(132, 130, 132), qRgb(0, 255, 0)});

    EXPECT_EQ(LoadPicture(WriteFile(dir, "555.bmp", BmpFile({4, 1, 16, 0, 40, {}, {}, BmpRows(4, 1, 16, [&](int x, int) { return stored555[std::size_t(x)]; })}))),
              expected);
    EXPECT_EQ(LoadPicture(WriteFile(dir, "565.bmp", BmpFile({4, 1, 16, 3, 40, {}, {0xF800, 0x07E0, 0x001F}, BmpRows(4, 1, 16, [&](int x, int) { return stored565[std::size_t(x)]; })}))),
              expected565);
}

TEST(BmpAlpha, TransparentPixelsTurnWhite)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::vector<std::uint32_t> stored = {0xFF102030, 0x00102030, 0x80FF0000};
    const Bytes bytes = BmpFile({3, 1, 32, 3, 124, {}, {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                                 BmpRows(3, 1, 32, [&](int x, int) { return stored[std::size_t(x)]; })});

    const QImage picture = LoadPicture(WriteFile(dir, "pic.bmp", bytes));

    EXPECT_EQ(picture, FromPixels(3, 1, {qRgb(0x10, 0x20, 0x30), qRgb(255, 255, 255), qRgb(255, 127, 127)}));
}

// ---- how a picture is shown: its orientation and its colour profile ----

PngLayout PngLayoutOf(const QImage& picture)
{
    PngLayout layout{picture.width(), picture.height(), PNG_COLOR_TYPE_RGB, 8, false, {}, {}, {}};
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            layout.pixels.insert(layout.pixels.end(), {std::uint8_t(qRed(p)), std::uint8_t(qGreen(p)), std::uint8_t(qBlue(p))});
        }
    return layout;
}

int ChannelDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

void ExpectQuadrants(const QImage& shown, const OrientationCase& c, const std::string& what)
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
        EXPECT_LE(ChannelDistance(shown.pixel(check.at), check.colour), 8)
            << what << ", orientation " << c.orientation << ": " << check.name;
}

enum class Carrier { JpegExif, JpegExifBigEndian, PngExif };

struct ShownCase {
    OrientationCase orientation;
    Carrier carrier;
};

void PrintTo(const ShownCase& c, std::ostream* out)
{
    *out << c.orientation.orientation;
}

class PictureOrientation : public ::testing::TestWithParam<ShownCase> {};

// Stored 64 x 32; every way of loading shows it turned, and a cut is chosen on the turned size.
TEST_P(PictureOrientation, IsAppliedBeforeTheCutInEveryWayOfLoading)
{
    const ShownCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const int o = c.orientation.orientation;
    std::string path;
    switch (c.carrier) {
    case Carrier::JpegExif:
    case Carrier::JpegExifBigEndian:
        path = WriteFile(dir, "turned.jpg", WithJpegSegments(Jpeg(Quadrants(64, 32), TJSAMP_444),
                                                           {ExifSegment(ExifOrientation(o, c.carrier == Carrier::JpegExifBigEndian))}));
        break;
    case Carrier::PngExif:
        path = WriteFile(dir, "turned.png", WithPngChunks(QuadrantsPng(64, 32), {{"eXIf", ExifOrientation(o)}}));
        break;
    }
    const QSize shownSize = o >= 5 ? QSize(32, 64) : QSize(64, 32);

    const QImage whole = LoadPicture(path);
    ASSERT_EQ(whole.size(), shownSize);
    ExpectQuadrants(whole, c.orientation, "whole");

    QSize offered;
    const CutPicture fitted = LoadPictureCut(path, [&](QSize natural) {
        offered = natural;
        return PictureCut{QRect(QPoint(0, 0), natural), natural / 2};
    });
    EXPECT_EQ(offered, shownSize);
    EXPECT_EQ(fitted.natural, shownSize);
    ASSERT_EQ(fitted.image.size(), shownSize / 2);
    ExpectQuadrants(fitted.image, c.orientation, "fitted");
    EXPECT_LE(ChannelDistance(fitted.corner, c.orientation.topLeft), 8);

    // The preview's cut: the top-left part, pixel for pixel the whole picture's; a pattern whose
    // every pixel differs from its neighbours shows a cut that is a pixel off.
    std::string patterned;
    if (c.carrier == Carrier::PngExif)
        patterned = WriteFile(dir, "pattern.png", WithPngChunks(Png(PngLayoutOf(Pattern(64, 32))), {{"eXIf", ExifOrientation(o)}}));
    else
        patterned = WriteFile(dir, "pattern.jpg", WithJpegSegments(Jpeg(Pattern(64, 32), TJSAMP_420), {ExifSegment(ExifOrientation(o))}));
    const QImage wholePattern = LoadPicture(patterned);
    const QRect topLeft(0, 0, shownSize.width() * 3 / 4, shownSize.height() * 3 / 4);
    const CutPicture part = LoadPictureCut(patterned, [&](QSize) { return PictureCut{topLeft, topLeft.size()}; });
    ASSERT_EQ(part.image.size(), topLeft.size());
    EXPECT_EQ(part.image, wholePattern.copy(topLeft));
    EXPECT_EQ(part.corner | 0xFF000000u, wholePattern.pixel(0, 0));
}

std::vector<ShownCase> ShownCases()
{
    std::vector<ShownCase> cases;
    for (const OrientationCase& o : kOrientations)
        for (Carrier carrier : {Carrier::JpegExif, Carrier::PngExif})
            cases.push_back({o, carrier});
    cases.push_back({kOrientations[5], Carrier::JpegExifBigEndian});
    cases.push_back({kOrientations[7], Carrier::JpegExifBigEndian});
    return cases;
}

std::string ShownCaseName(const ::testing::TestParamInfo<ShownCase>& info)
{
    const char* carrier[] = {"jpeg", "jpeg_big_endian", "png"};
    return std::string(carrier[int(info.param.carrier)]) + "_" + std::to_string(info.param.orientation.orientation);
}

INSTANTIATE_TEST_SUITE_P(Values, PictureOrientation, ::testing::ValuesIn(ShownCases()), ShownCaseName);

// A phone or an editor that wrote its EXIF block wrong: the picture is drawn as stored.
TEST(PictureOrientationDamaged, IsIgnoredNeverAnError)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Bytes plain = Jpeg(Quadrants(64, 32), TJSAMP_444);
    const QImage stored = LoadPicture(WriteFile(dir, "plain.jpg", plain));
    const Bytes good = ExifOrientation(6);
    Bytes hugeCount = good, badType = good, offsetOut = good, badOrder = good, badMagic = good;
    hugeCount[8] = hugeCount[9] = char(0xFF);
    badType[12] = 4;  // LONG
    offsetOut[4] = char(0xF0);
    badOrder[0] = badOrder[1] = 'X';
    badMagic[2] = 43;
    const std::pair<const char*, Bytes> blocks[] = {
        {"cut short", good.substr(0, 13)}, {"entry count past the end", hugeCount}, {"not a SHORT", badType},
        {"IFD past the end", offsetOut},   {"no byte order", badOrder},            {"not TIFF", badMagic},
        {"value 0", ExifOrientation(0)},   {"value 9", ExifOrientation(9)},        {"empty", Bytes()},
    };
    for (const auto& [name, block] : blocks) {
        const std::string jpeg = WriteFile(dir, "damaged.jpg", WithJpegSegments(plain, {ExifSegment(block)}));
        EXPECT_EQ(LoadPicture(jpeg), stored) << name;
        const std::string png = WriteFile(dir, "damaged.png", WithPngChunks(QuadrantsPng(64, 32), {{"eXIf", block}}));
        QImage fromPng;
        EXPECT_NO_THROW(fromPng = LoadPicture(png)) << name;
        EXPECT_EQ(fromPng.size(), QSize(64, 32)) << name;
    }
}

// Display P3 (200, 100, 50) is sRGB (215, 93, 31): worked out from the two spaces' primaries
// and white point, independently of any colour library.
const QRgb kP3Colour = qRgb(200, 100, 50);
const QRgb kP3ColourInSrgb = qRgb(215, 93, 31);

Bytes SolidPng(QRgb colour)
{
    PngLayout layout{8, 8, PNG_COLOR_TYPE_RGB, 8, false, {}, {}, {}};
    for (int i = 0; i < 64; ++i)
        layout.pixels.insert(layout.pixels.end(), {std::uint8_t(qRed(colour)), std::uint8_t(qGreen(colour)), std::uint8_t(qBlue(colour))});
    return Png(layout);
}

TEST(PictureColourProfile, IsConvertedToSrgbOrLeftAloneWhenUnreadable)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Bytes p3 = QColorSpace(QColorSpace::DisplayP3).iccProfile().toStdString();
    ASSERT_FALSE(p3.empty());
    const Bytes jpeg = Jpeg(QImage(16, 16, QImage::Format_RGB32), TJSAMP_444);
    QImage solid(16, 16, QImage::Format_RGB32);
    solid.fill(kP3Colour);
    const Bytes solidJpeg = Jpeg(solid, TJSAMP_444);
    std::vector<JpegSegment> missingChunk = IccSegments(p3, 200);
    missingChunk.erase(missingChunk.begin() + 1);
    const Bytes garbage(600, 'x');

    const struct {
        const char* name;
        Bytes file;
        const char* fileName;
        QRgb expected;
        int tolerance;
    } cases[] = {
        {"PNG iCCP", WithPngChunks(SolidPng(kP3Colour), {{"iCCP", IccpPayload(p3)}}), "p3.png", kP3ColourInSrgb, 2},
        {"JPEG APP2", WithJpegSegments(solidJpeg, IccSegments(p3)), "p3.jpg", kP3ColourInSrgb, 3},
        {"JPEG APP2 in chunks", WithJpegSegments(solidJpeg, IccSegments(p3, 200)), "chunks.jpg", kP3ColourInSrgb, 3},
        {"JPEG APP2 with a chunk missing", WithJpegSegments(solidJpeg, missingChunk), "missing.jpg", kP3Colour, 3},
        {"JPEG APP2 not a profile", WithJpegSegments(solidJpeg, IccSegments(garbage)), "garbage.jpg", kP3Colour, 3},
        {"PNG iCCP not a profile", WithPngChunks(SolidPng(kP3Colour), {{"iCCP", IccpPayload(garbage)}}), "garbage.png",
         kP3Colour, 0},
    };
    for (const auto& c : cases) {
        const std::string path = WriteFile(dir, c.fileName, c.file);
        const QImage whole = LoadPicture(path);
        EXPECT_LE(ChannelDistance(whole.pixel(4, 4), c.expected), c.tolerance) << c.name;
        // The show's reduced cut and its corner are converted too.
        const CutPicture cut = LoadPictureCut(path, [](QSize natural) { return PictureCut{QRect(QPoint(0, 0), natural), natural / 2}; });
        EXPECT_LE(ChannelDistance(cut.image.pixel(2, 2), c.expected), c.tolerance) << c.name;
        EXPECT_LE(ChannelDistance(cut.corner, c.expected), c.tolerance) << c.name;
    }
}

}  // namespace
