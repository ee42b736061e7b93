// How a file says its pixels are to be shown: the EXIF orientation a camera or phone writes
// instead of turning the pixels, and the colour profile of the space the pixels are in.

#include "media/picture_common.h"

#include <QColorSpace>
#include <QColorTransform>
#include <QTransform>

#include <algorithm>
#include <cstring>
#include <map>

namespace bimbalo::pictures {

namespace {

std::uint32_t Read(const unsigned char* at, int bytes, bool bigEndian)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= std::uint32_t{at[bigEndian ? i : bytes - 1 - i]} << (8 * (bytes - 1 - i));
    return value;
}

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;

}  // namespace

int ExifOrientation(const unsigned char* tiff, std::size_t size)
{
    // Some writers keep JPEG's "Exif\0\0" in front of a PNG's eXIf block too.
    if (tiff && size >= 6 && std::memcmp(tiff, "Exif\0\0", 6) == 0) {
        tiff += 6;
        size -= 6;
    }
    if (!tiff || size < 8)
        return 1;
    bool big;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        big = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        big = true;
    else
        return 1;
    if (Read(tiff + 2, 2, big) != 42)
        return 1;
    const std::uint64_t ifd = Read(tiff + 4, 4, big);
    if (ifd < 8 || ifd + 2 > size)
        return 1;
    const std::uint64_t entries = Read(tiff + ifd, 2, big);
    if (ifd + 2 + 12 * entries > size)
        return 1;
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t at = ifd + 2 + 12 * i;
        if (Read(tiff + at, 2, big) != kOrientationTag)
            continue;
        if (Read(tiff + at + 2, 2, big) != kShortType || Read(tiff + at + 4, 4, big) != 1)
            return 1;
        const std::uint32_t value = Read(tiff + at + 8, 2, big);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

PictureMeta ReadJpegMetadata(const unsigned char* data, std::size_t size)
{
    PictureMeta meta;
    bool exifSeen = false;
    std::map<int, QByteArray> iccChunks;
    int iccCount = 0;
    bool iccBroken = false;
    static constexpr char kExif[] = "Exif\0\0";
    static constexpr char kIcc[] = "ICC_PROFILE";  // with its NUL: 12 bytes

    std::size_t at = 2;  // past SOI
    while (at + 4 <= size) {
        if (data[at] != 0xFF)
            break;
        const unsigned char marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)  // the pixels, or the end: no metadata after them
            break;
        const std::size_t length = Read(data + at + 2, 2, true);
        if (length < 2 || at + 2 + length > size)
            break;
        const unsigned char* segment = data + at + 4;
        const std::size_t bytes = length - 2;
        if (marker == 0xE1 && !exifSeen && bytes >= 6 && std::memcmp(segment, kExif, 6) == 0) {
            exifSeen = true;
            meta.orientation = ExifOrientation(segment + 6, bytes - 6);
        } else if (marker == 0xE2 && bytes >= 14 && std::memcmp(segment, kIcc, 12) == 0) {
            const int sequence = segment[12], count = segment[13];
            if (sequence < 1 || sequence > count || (iccCount != 0 && count != iccCount)
                || iccChunks.count(sequence) != 0)
                iccBroken = true;
            iccCount = count;
            iccChunks[sequence] = QByteArray(reinterpret_cast<const char*>(segment + 14),
                                             static_cast<qsizetype>(bytes - 14));
        }
        at += 2 + length;
    }
    if (!iccBroken && iccCount > 0 && static_cast<int>(iccChunks.size()) == iccCount)
        for (const auto& [sequence, chunk] : iccChunks)
            meta.iccProfile += chunk;
    return meta;
}

QSize OrientedSize(QSize stored, int orientation)
{
    return orientation >= 5 ? stored.transposed() : stored;
}

QPoint StoredPoint(QPoint shown, QSize stored, int orientation)
{
    const int x = shown.x(), y = shown.y();
    const int right = stored.width() - 1, bottom = stored.height() - 1;
    switch (orientation) {
    case 2:
        return {right - x, y};
    case 3:
        return {right - x, bottom - y};
    case 4:
        return {x, bottom - y};
    case 5:
        return {y, x};
    case 6:
        return {y, bottom - x};
    case 7:
        return {right - y, bottom - x};
    case 8:
        return {right - y, x};
    default:
        return {x, y};
    }
}

QRect StoredRect(QRect shown, QSize stored, int orientation)
{
    if (shown.isEmpty())
        return {};
    // Not QRect::normalized(), which moves swapped edges by a pixel.
    const QPoint a = StoredPoint(shown.topLeft(), stored, orientation);
    const QPoint b = StoredPoint(shown.bottomRight(), stored, orientation);
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())), QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

QImage Orient(const QImage& stored, int orientation)
{
    if (orientation <= 1 || orientation > 8 || stored.isNull())
        return stored;
    // Qt turns by exact quarter turns without resampling; the mirrored forms are a quarter
    // turn and a flip.
    const auto turned = [&](qreal degrees) { return stored.transformed(QTransform().rotate(degrees)); };
    switch (orientation) {
    case 2:
        return stored.mirrored(true, false);
    case 3:
        return stored.mirrored(true, true);
    case 4:
        return stored.mirrored(false, true);
    case 5:
        return turned(90).mirrored(true, false);
    case 6:
        return turned(90);
    case 7:
        return turned(90).mirrored(false, true);
    default:
        return turned(270);
    }
}

void ConvertToSrgb(QImage& image, QRgb& corner, const QByteArray& iccProfile)
{
    if (iccProfile.isEmpty())
        return;
    const QColorSpace space = QColorSpace::fromIccProfile(iccProfile);
    const QColorSpace srgb(QColorSpace::SRgb);
    if (!space.isValid() || space == srgb)
        return;
    const QColorTransform transform = space.transformationToColorSpace(srgb);
    if (!image.isNull())
        image.applyColorTransform(transform);
    corner = (transform.map(corner) & 0x00FFFFFFu) | (corner & 0xFF000000u);
}

}  // namespace bimbalo::pictures
