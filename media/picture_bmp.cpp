#include "picture_common.h"

#include <QByteArray>
#include <QImageReader>

#include <cstdio>
#include <string>

namespace bimbalo::pictures {

namespace {

std::uint32_t LittleEndian(const unsigned char* at, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

// Qt's reader neither reports a declared size that it finds implausible nor notices a file
// that ends early (it leaves the missing rows blank), so the headers are read here first.
void CheckBmpHeader(const unsigned char* data, std::size_t size, qint64 fileSize)
{
    if (size < 26)
        throw PictureFault{PictureFault::Damaged, "the headers are cut short"};
    const std::uint32_t pixelOffset = LittleEndian(data + 10, 4);
    const std::uint32_t headerSize = LittleEndian(data + 14, 4);
    std::int64_t width, height;
    std::uint32_t bitsPerPixel, compression = 0;
    if (headerSize == 12) {  // the old OS/2 header
        width = static_cast<std::int16_t>(LittleEndian(data + 18, 2));
        height = static_cast<std::int16_t>(LittleEndian(data + 20, 2));
        bitsPerPixel = LittleEndian(data + 24, 2);
    } else {
        if (size < 34)
            throw PictureFault{PictureFault::Damaged, "the headers are cut short"};
        width = static_cast<std::int32_t>(LittleEndian(data + 18, 4));
        height = static_cast<std::int32_t>(LittleEndian(data + 22, 4));
        bitsPerPixel = LittleEndian(data + 28, 2);
        compression = LittleEndian(data + 30, 4);
    }
    if (height < 0)  // top-down rows
        height = -height;
    CheckPictureSize(width, height, 4);

    constexpr std::uint32_t kUncompressed = 0, kBitFields = 3, kAlphaBitFields = 6;
    if (compression == kUncompressed || compression == kBitFields || compression == kAlphaBitFields) {
        const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
        if (std::uint64_t{pixelOffset} + rowBytes * static_cast<std::uint64_t>(height) > static_cast<std::uint64_t>(fileSize))
            throw PictureFault{PictureFault::Damaged, "the file ends before the last row of pixels"};
    }
}

std::string HexByte(unsigned char byte)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", byte);
    return text;
}

std::string ReasonOf(const QImageReader& reader)
{
    // Qt's BMP reader gives no reason for most of the files it refuses.
    if (reader.error() == QImageReader::UnknownError)
        return "the BMP reader could not make sense of it";
    return reader.errorString().toStdString();
}

}  // namespace

QImage DecodeBmp(QIODevice& device)
{
    const QByteArray headers = device.peek(34);
    const auto* data = reinterpret_cast<const unsigned char*>(headers.constData());
    const auto size = static_cast<std::size_t>(headers.size());
    const bool startsLikeBmp = size >= 2 && data[0] == 'B' && data[1] == 'M';

    if (!startsLikeBmp)
        throw PictureFault{PictureFault::NotOfKind, size >= 2 ? "starts with " + HexByte(data[0]) + " " + HexByte(data[1])
                                                              : std::string("no \"BM\" signature")};
    CheckBmpHeader(data, size, device.size());

    // Qt's own cap is far below ours; ours has already been checked by the time Qt allocates.
    QImageReader::setAllocationLimit(static_cast<int>(kMaxDecodedBytes >> 20));
    QImageReader reader(&device, "bmp");
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);

    const QSize declared = reader.size();
    if (!declared.isValid())
        throw PictureFault{PictureFault::Damaged, ReasonOf(reader)};
    CheckPictureSize(declared.width(), declared.height(), 4);

    QImage picture;
    if (!reader.read(&picture) || picture.isNull())
        throw PictureFault{PictureFault::Damaged, ReasonOf(reader)};
    if (picture.hasAlphaChannel()) {
        picture.convertTo(QImage::Format_ARGB32);
        FlattenOntoWhite(picture);
    } else {
        picture.convertTo(QImage::Format_RGB32);
    }
    if (picture.isNull())
        throw PictureFault{PictureFault::OutOfMemory, "not enough memory to convert the picture"};
    return picture;
}

}  // namespace bimbalo::pictures
