#include "picture_writers.h"

#include <QBuffer>
#include <QByteArray>

#include <png.h>
#include <turbojpeg.h>

#include <csetjmp>
#include <stdexcept>

namespace picture_test {

QImage Pattern(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(40 + 180 * x / width, 30 + 200 * y / height, 220 - 150 * (x + y) / (width + height)));
    return picture;
}

static Bytes Compress(const unsigned char* pixels, int width, int pitch, int height, int pixelFormat, int subsampling,
                      int flags, int quality)
{
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(handle, pixels, width, pitch, height, pixelFormat, &out, &size, subsampling, quality, flags);
    Bytes result = rc == 0 ? Bytes(reinterpret_cast<const char*>(out), size) : Bytes();
    const std::string error = rc == 0 ? std::string() : tjGetErrorStr2(handle);
    tjFree(out);
    tjDestroy(handle);
    if (rc != 0)
        throw std::runtime_error("tjCompress2: " + error);
    return result;
}

Bytes Jpeg(const QImage& picture, int subsampling, int flags, int quality)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    return Compress(rgb.constBits(), rgb.width(), static_cast<int>(rgb.bytesPerLine()), rgb.height(), TJPF_RGB,
                    subsampling, flags, quality);
}

Bytes JpegGray(const QImage& picture)
{
    const QImage gray = picture.convertToFormat(QImage::Format_Grayscale8);
    return Compress(gray.constBits(), gray.width(), static_cast<int>(gray.bytesPerLine()), gray.height(), TJPF_GRAY,
                    TJSAMP_GRAY, 0, 95);
}

Bytes JpegCmyk(const std::vector<std::uint8_t>& cmyk, int width, int height)
{
    return Compress(cmyk.data(), width, width * 4, height, TJPF_CMYK, TJSAMP_444, 0, 95);
}

static void AppendToBytes(png_structp png, png_bytep data, std::size_t length)
{
    static_cast<Bytes*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

static bool WritePng(const PngLayout& layout, Bytes* out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    int channels = 4;
    switch (layout.colourType) {
    case PNG_COLOR_TYPE_PALETTE:
    case PNG_COLOR_TYPE_GRAY:
        channels = 1;
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        channels = 2;
        break;
    case PNG_COLOR_TYPE_RGB:
        channels = 3;
        break;
    }
    const std::size_t rowBytes = (std::size_t(layout.width) * channels * layout.bitDepth + 7) / 8;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendToBytes, nullptr);
    png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty())
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(layout.palette.data()),
                     static_cast<int>(layout.palette.size() / 3));
    if (!layout.paletteAlpha.empty())
        png_set_tRNS(png, info, layout.paletteAlpha.data(), static_cast<int>(layout.paletteAlpha.size()), nullptr);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < layout.height; ++y)
            png_write_row(png, layout.pixels.data() + y * rowBytes);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

Bytes Png(const PngLayout& layout)
{
    Bytes out;
    if (!WritePng(layout, &out))
        throw std::runtime_error("libpng could not write the test picture");
    return out;
}

static void PutBigEndian32(Bytes& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

static std::uint32_t Crc32(const Bytes& data, std::size_t from)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = from; i < data.size(); ++i) {
        crc ^= static_cast<std::uint8_t>(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

static void PutChunk(Bytes& out, const char* type, const Bytes& payload)
{
    PutBigEndian32(out, static_cast<std::uint32_t>(payload.size()));
    const std::size_t start = out.size();
    out += type;
    out += payload;
    PutBigEndian32(out, Crc32(out, start));
}

Bytes PngHeaderOnly(std::uint32_t width, std::uint32_t height)
{
    Bytes out("\x89PNG\r\n\x1a\n", 8);
    Bytes ihdr;
    PutBigEndian32(ihdr, width);
    PutBigEndian32(ihdr, height);
    ihdr += Bytes("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA, deflate, adaptive filter, no interlace
    PutChunk(out, "IHDR", ihdr);
    PutChunk(out, "IEND", Bytes());
    return out;
}

Bytes Bmp(const QImage& picture)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "bmp"))
        throw std::runtime_error("Qt could not write the test BMP");
    return data.toStdString();
}

static void PutLittleEndian(Bytes& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

Bytes BmpHeaderOnly(std::int32_t width, std::int32_t height, int bitsPerPixel)
{
    const std::uint32_t rowBytes = ((static_cast<std::uint32_t>(width) * bitsPerPixel + 31) / 32) * 4;
    Bytes out("BM");
    PutLittleEndian(out, 54 + rowBytes * static_cast<std::uint32_t>(height < 0 ? -height : height), 4);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, 54, 4);  // pixel data offset
    PutLittleEndian(out, 40, 4);  // BITMAPINFOHEADER
    PutLittleEndian(out, static_cast<std::uint32_t>(width), 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(height), 4);
    PutLittleEndian(out, 1, 2);
    PutLittleEndian(out, static_cast<std::uint32_t>(bitsPerPixel), 2);
    PutLittleEndian(out, 0, 4);  // BI_RGB
    for (int i = 0; i < 5; ++i)
        PutLittleEndian(out, 0, 4);
    return out;
}

Bytes BmpFile(const BmpLayout& layout)
{
    const bool core = layout.headerSize == 12;
    const std::size_t paletteBytes = layout.palette.size() * (core ? 3 : 4);
    const std::size_t maskBytes = layout.headerSize == 40 ? layout.masks.size() * 4 : 0;
    const std::uint32_t offset = static_cast<std::uint32_t>(14 + layout.headerSize + maskBytes + paletteBytes);
    Bytes out("BM");
    PutLittleEndian(out, offset + static_cast<std::uint32_t>(layout.pixels.size()), 4);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, offset, 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(layout.headerSize), 4);
    if (core) {
        PutLittleEndian(out, static_cast<std::uint32_t>(layout.width), 2);
        PutLittleEndian(out, static_cast<std::uint32_t>(layout.height), 2);
        PutLittleEndian(out, 1, 2);
        PutLittleEndian(out, static_cast<std::uint32_t>(layout.bitsPerPixel), 2);
    } else {
        PutLittleEndian(out, static_cast<std::uint32_t>(layout.width), 4);
        PutLittleEndian(out, static_cast<std::uint32_t>(layout.height), 4);
        PutLittleEndian(out, 1, 2);
        PutLittleEndian(out, static_cast<std::uint32_t>(layout.bitsPerPixel), 2);
        PutLittleEndian(out, static_cast<std::uint32_t>(layout.compression), 4);
        PutLittleEndian(out, static_cast<std::uint32_t>(layout.pixels.size()), 4);
        PutLittleEndian(out, 2835, 4);
        PutLittleEndian(out, 2835, 4);
        PutLittleEndian(out, static_cast<std::uint32_t>(layout.palette.size()), 4);
        PutLittleEndian(out, 0, 4);
        std::size_t written = 40;
        if (layout.headerSize > 40) {
            for (std::size_t i = 0; i < 4; ++i)
                PutLittleEndian(out, i < layout.masks.size() ? layout.masks[i] : 0, 4);
            written += 16;
        }
        for (; written < static_cast<std::size_t>(layout.headerSize); ++written)
            out.push_back('\0');
        if (layout.headerSize == 40)
            for (std::uint32_t mask : layout.masks)
                PutLittleEndian(out, mask, 4);
    }
    for (QRgb colour : layout.palette) {
        PutLittleEndian(out, colour & 0xFFFFFF, 3);
        if (!core)
            out.push_back('\0');
    }
    return out + layout.pixels;
}

Bytes BmpRows(int width, int rows, int bitsPerPixel, const std::function<std::uint32_t(int x, int y)>& value)
{
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32 * 4;
    Bytes out(rowBytes * static_cast<std::size_t>(rows), '\0');
    for (int y = 0; y < rows; ++y) {
        char* row = out.data() + rowBytes * static_cast<std::size_t>(y);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = value(x, y);
            if (bitsPerPixel >= 8) {
                for (int i = 0; i < bitsPerPixel / 8; ++i)
                    row[x * bitsPerPixel / 8 + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
            } else {
                const int bit = x * bitsPerPixel;
                const int shift = 8 - bitsPerPixel - bit % 8;
                row[bit / 8] = static_cast<char>(row[bit / 8] | (v << shift));
            }
        }
    }
    return out;
}

Bytes WithJpegSize(Bytes jpeg, std::uint16_t width, std::uint16_t height)
{
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        const auto marker = static_cast<std::uint8_t>(jpeg[i + 1]);
        if (static_cast<std::uint8_t>(jpeg[i]) == 0xFF && marker >= 0xC0 && marker <= 0xC2) {
            jpeg[i + 5] = static_cast<char>(height >> 8);
            jpeg[i + 6] = static_cast<char>(height & 0xFF);
            jpeg[i + 7] = static_cast<char>(width >> 8);
            jpeg[i + 8] = static_cast<char>(width & 0xFF);
            return jpeg;
        }
    }
    throw std::runtime_error("no frame header in the test JPEG");
}

Bytes WithRepeatedLastScan(const Bytes& jpeg, int scanCount)
{
    const std::size_t lastScan = jpeg.rfind("\xFF\xDA");
    const std::size_t end = jpeg.rfind("\xFF\xD9");
    if (lastScan == Bytes::npos || end == Bytes::npos || end < lastScan)
        throw std::runtime_error("no scans in the test JPEG");
    const Bytes scan = jpeg.substr(lastScan, end - lastScan);
    Bytes out = jpeg.substr(0, end);
    for (int i = 0; i < scanCount; ++i)
        out += scan;
    out += jpeg.substr(end);
    return out;
}

Bytes ExifOrientation(int orientation, bool bigEndian)
{
    Bytes out;
    const auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
            out.push_back(static_cast<char>((value >> shift) & 0xFF));
        }
    };
    out += bigEndian ? "MM" : "II";
    put(42, 2);
    put(8, 4);     // the IFD follows the header
    put(1, 2);     // one entry
    put(0x0112, 2);
    put(3, 2);     // SHORT
    put(1, 4);     // one value
    put(static_cast<std::uint32_t>(orientation), 2);
    put(0, 2);     // the value field's other half
    put(0, 4);     // no next IFD
    return out;
}

Bytes WithJpegSegments(const Bytes& jpeg, const std::vector<JpegSegment>& segments)
{
    // SOI, then the JFIF segment TurboJPEG always writes first.
    if (jpeg.size() < 6 || static_cast<std::uint8_t>(jpeg[2]) != 0xFF || static_cast<std::uint8_t>(jpeg[3]) != 0xE0)
        throw std::runtime_error("not a JFIF file");
    const std::size_t after = 4 + (static_cast<std::uint8_t>(jpeg[4]) << 8 | static_cast<std::uint8_t>(jpeg[5]));
    Bytes out = jpeg.substr(0, after);
    for (const JpegSegment& segment : segments) {
        const std::size_t length = segment.payload.size() + 2;
        out.push_back(static_cast<char>(0xFF));
        out.push_back(static_cast<char>(segment.marker));
        out.push_back(static_cast<char>(length >> 8));
        out.push_back(static_cast<char>(length & 0xFF));
        out += segment.payload;
    }
    return out + jpeg.substr(after);
}

JpegSegment ExifSegment(const Bytes& exif)
{
    return {0xE1, Bytes("Exif\0\0", 6) + exif};
}

std::vector<JpegSegment> IccSegments(const Bytes& profile, std::size_t chunkBytes)
{
    std::vector<JpegSegment> segments;
    const std::size_t count = (profile.size() + chunkBytes - 1) / chunkBytes;
    for (std::size_t i = 0; i < count; ++i)
        segments.push_back({0xE2, Bytes("ICC_PROFILE\0", 12) + static_cast<char>(i + 1) + static_cast<char>(count)
                                      + profile.substr(i * chunkBytes, chunkBytes)});
    return segments;
}

Bytes WithPngChunks(const Bytes& png, const std::vector<PngChunk>& chunks)
{
    constexpr std::size_t afterIhdr = 8 + 4 + 4 + 13 + 4;
    Bytes out = png.substr(0, afterIhdr);
    for (const PngChunk& chunk : chunks)
        PutChunk(out, chunk.type.c_str(), chunk.payload);
    return out + png.substr(afterIhdr);
}

Bytes IccpPayload(const Bytes& profile)
{
    // qCompress puts the length in front of a zlib stream.
    const QByteArray zlib = qCompress(QByteArray::fromStdString(profile)).mid(4);
    return Bytes("test profile\0\0", 14) + zlib.toStdString();
}

const QRgb kRed = qRgb(220, 30, 30), kGreen = qRgb(30, 200, 30), kBlue = qRgb(30, 30, 220), kYellow = qRgb(230, 220, 40);

QImage Quadrants(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, y < height / 2 ? (x < width / 2 ? kRed : kGreen) : (x < width / 2 ? kBlue : kYellow));
    return picture;
}

Bytes QuadrantsPng(int width, int height)
{
    const QImage picture = Quadrants(width, height);
    PngLayout layout{width, height, PNG_COLOR_TYPE_RGB, 8, false, {}, {}, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const QRgb p = picture.pixel(x, y);
            layout.pixels.insert(layout.pixels.end(), {std::uint8_t(qRed(p)), std::uint8_t(qGreen(p)), std::uint8_t(qBlue(p))});
        }
    return Png(layout);
}

// The stored picture's quadrants as they must be shown, read off the EXIF definitions: 2 mirrors
// left and right, 3 turns half way, 4 mirrors top and bottom, 6 turns a quarter clockwise, 8 a
// quarter anticlockwise, 5 and 7 mirror along the diagonals.
const OrientationCase kOrientations[8] = {
    {1, kRed, kGreen, kBlue, kYellow},  {2, kGreen, kRed, kYellow, kBlue}, {3, kYellow, kBlue, kGreen, kRed},
    {4, kBlue, kYellow, kRed, kGreen},  {5, kRed, kBlue, kGreen, kYellow}, {6, kBlue, kRed, kYellow, kGreen},
    {7, kYellow, kGreen, kBlue, kRed}, {8, kGreen, kYellow, kRed, kBlue},
};

}  // namespace picture_test
