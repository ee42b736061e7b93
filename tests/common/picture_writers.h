#pragma once

// Builders for picture files of every kind the decoders read, made at run time.

#include <QImage>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace picture_test {

using Bytes = std::string;

// A deterministic colourful pattern, smooth enough to survive JPEG compression closely.
QImage Pattern(int width, int height);

// JPEG through TurboJPEG. pixelFormat is a TJPF_* value; for TJPF_CMYK the picture's bytes
// are taken as C, M, Y, K in memory order.
Bytes Jpeg(const QImage& picture, int subsampling, int flags = 0, int quality = 95);
Bytes JpegGray(const QImage& picture);
Bytes JpegCmyk(const std::vector<std::uint8_t>& cmyk, int width, int height);

// PNG through libpng from raw rows in the given colour type and bit depth.
struct PngLayout {
    int width = 0;
    int height = 0;
    int colourType = 0;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<std::uint8_t> pixels;  // packed rows, no padding
    std::vector<std::uint8_t> palette;  // RGB triples
    std::vector<std::uint8_t> paletteAlpha;  // tRNS for a palette
};
Bytes Png(const PngLayout& layout);

// A PNG made of a signature, an IHDR with a valid CRC for the given size, and IEND: no pixels.
Bytes PngHeaderOnly(std::uint32_t width, std::uint32_t height);

// BMP through Qt's writer.
Bytes Bmp(const QImage& picture);

// A BMP file header and info header declaring the size, with no pixel data.
Bytes BmpHeaderOnly(std::int32_t width, std::int32_t height, int bitsPerPixel = 24);

// A BMP written byte by byte, for the layouts Qt's writer never makes.
struct BmpLayout {
    int width = 0;
    int height = 0;  // negative for rows stored top-down
    int bitsPerPixel = 24;
    int compression = 0;  // BI_RGB 0, BI_RLE8 1, BI_RLE4 2, BI_BITFIELDS 3
    int headerSize = 40;  // 12 (OS/2), 40, 108 or 124
    std::vector<QRgb> palette;
    std::vector<std::uint32_t> masks;  // red, green, blue[, alpha]: after a 40-byte header, or inside a larger one
    Bytes pixels;  // exactly as stored: padded rows, or the RLE stream
};
Bytes BmpFile(const BmpLayout& layout);

// Rows of a picture stored at bitsPerPixel, each padded to four bytes; value(x, y) gives the
// stored value of pixel x in stored row y (a palette index, or the packed bits).
Bytes BmpRows(int width, int rows, int bitsPerPixel, const std::function<std::uint32_t(int x, int y)>& value);

// A copy of a JPEG with its frame header patched to declare a different size.
Bytes WithJpegSize(Bytes jpeg, std::uint16_t width, std::uint16_t height);

// A progressive JPEG with its last scan repeated until there are more than scanCount scans.
Bytes WithRepeatedLastScan(const Bytes& progressiveJpeg, int scanCount);

// An EXIF block (a TIFF header and one IFD) holding one Orientation entry.
Bytes ExifOrientation(int orientation, bool bigEndian = false);

// A copy of a JPEG with segments (marker, payload) put in after its JFIF segment.
struct JpegSegment {
    int marker;  // 0xE1 for EXIF, 0xE2 for ICC_PROFILE
    Bytes payload;
};
Bytes WithJpegSegments(const Bytes& jpeg, const std::vector<JpegSegment>& segments);
// APP1 with an EXIF block, and the APP2 segments of an ICC profile in chunks of at most chunkBytes.
JpegSegment ExifSegment(const Bytes& exif);
std::vector<JpegSegment> IccSegments(const Bytes& profile, std::size_t chunkBytes = 65519);

// A copy of a PNG with chunks (type, payload) put in right after IHDR.
struct PngChunk {
    std::string type;
    Bytes payload;
};
Bytes WithPngChunks(const Bytes& png, const std::vector<PngChunk>& chunks);
// The payload of an iCCP chunk for the profile.
Bytes IccpPayload(const Bytes& profile);

// Four quadrants of red, green, blue and yellow, which tell every turn and mirror apart, as a
// QImage and as an RGB PNG.
extern const QRgb kRed, kGreen, kBlue, kYellow;
QImage Quadrants(int width, int height);
Bytes QuadrantsPng(int width, int height);

// The stored picture's quadrants as each EXIF orientation shows them.
struct OrientationCase {
    int orientation;
    QRgb topLeft, topRight, bottomLeft, bottomRight;
};
extern const OrientationCase kOrientations[8];

}  // namespace picture_test
