#include "media/picture_decoders.h"

#include "media/file_kinds.h"
#include "media/picture_common.h"
#include "system/ascii_case.h"
#include "system/readable_file.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <memory>
#include <system_error>

namespace bimbalo::pictures {

namespace {
// The texts of the reasons a picture cannot be shown, in the desktop's language.
struct Pictures {
    Q_DECLARE_TR_FUNCTIONS(Pictures)
};

std::string Text(const QString& text)
{
    return text.toStdString();
}
}  // namespace

void CheckPictureSize(std::int64_t width, std::int64_t height, int bytesPerPixel)
{
    if (width <= 0 || height <= 0)
        throw PictureFault{PictureFault::Damaged, Text(Pictures::tr("the picture has no pixels"))};
    const auto pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (pixels > kMaxPixels || pixels * static_cast<std::uint64_t>(bytesPerPixel) > kMaxDecodedBytes)
        throw PictureFault{PictureFault::TooLarge, Text(Pictures::tr("%1 x %2 pixels is more than the 100 megapixels allowed")
                                                            .arg(width)
                                                            .arg(height))};
}

QImage AllocatePicture(int width, int height, QImage::Format format)
{
    QImage picture(width, height, format);
    if (picture.isNull())
        throw PictureFault{PictureFault::OutOfMemory,
                           Text(Pictures::tr("not enough memory for %1 x %2 pixels").arg(width).arg(height))};
    return picture;
}

static inline int Blend(int colour, int alpha, int under)
{
    return (colour * alpha + under * (255 - alpha) + 127) / 255;
}

}  // namespace bimbalo::pictures

QRgb BlendOnto(QRgb p, QRgb under)
{
    using bimbalo::pictures::Blend;
    const int a = qAlpha(p);
    if (a == 255)
        return p;
    return qRgb(Blend(qRed(p), a, qRed(under)), Blend(qGreen(p), a, qGreen(under)), Blend(qBlue(p), a, qBlue(under)));
}

QImage FlattenOnto(QImage picture, QRgb under)
{
    if (picture.format() != QImage::Format_ARGB32)
        return picture;
    const int width = picture.width(), height = picture.height();
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = BlendOnto(line[x], under);
    }
    picture.reinterpretAsFormat(QImage::Format_RGB32);
    return picture;
}

namespace bimbalo::pictures {

namespace {

// The first of the `count` result rows that come from row r of the `rows` source rows: the
// smallest j with ((2j + 1) * rows) / (2 * count) >= r.
int FirstResultRow(std::int64_t r, std::int64_t rows, std::int64_t count)
{
    const std::int64_t numerator = 2 * count * r - rows;
    if (numerator <= 0)
        return 0;
    return static_cast<int>(std::min(count, (numerator + 2 * rows - 1) / (2 * rows)));
}

}  // namespace

CutCollector::CutCollector(QSize rowsSize, PictureCut cut, bool alpha, QPoint corner)
    : cut_(cut)
    , cornerAt_(corner)
    , whole_(false)
{
    cut_.source = cut_.source.intersected(QRect(QPoint(0, 0), rowsSize));
    if (cut_.source.isEmpty() || cut_.size.isEmpty()) {
        cut_ = PictureCut{};
        return;
    }
    whole_ = cut_.source == QRect(QPoint(0, 0), rowsSize) && cut_.size == rowsSize;
    CheckPictureSize(cut_.size.width(), cut_.size.height(), 4);
    const std::int64_t from = cut_.source.width(), to = cut_.size.width();
    if (from != to) {
        columns_.resize(static_cast<std::size_t>(to));
        for (std::int64_t x = 0; x < to; ++x)
            columns_[static_cast<std::size_t>(x)] = cut_.source.x() + static_cast<int>(((2 * x + 1) * from) / (2 * to));
    }
    image_ = AllocatePicture(cut_.size.width(), cut_.size.height(), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

bool CutCollector::Wants(int y) const
{
    if (y == cornerAt_.y())
        return true;
    const int r = y - cut_.source.y();
    if (image_.isNull() || r < 0 || r >= cut_.source.height())
        return false;
    return FirstResultRow(r, cut_.source.height(), cut_.size.height())
           < FirstResultRow(r + 1, cut_.source.height(), cut_.size.height());
}

int CutCollector::LastWantedRow() const
{
    return std::max(cornerAt_.y(), image_.isNull() ? -1 : cut_.source.y() + cut_.source.height() - 1);
}

QRgb* CutCollector::DirectRow(int y)
{
    if (!whole_ || y < 0 || y >= image_.height())
        return nullptr;
    return reinterpret_cast<QRgb*>(image_.scanLine(y));
}

void CutCollector::Put(int y, const QRgb* row, int first, int step) noexcept
{
    if (y == cornerAt_.y() && cornerAt_.x() >= first && (cornerAt_.x() - first) % step == 0)
        corner_ = row[(cornerAt_.x() - first) / step];
    const int r = y - cut_.source.y();
    if (image_.isNull() || r < 0 || r >= cut_.source.height())
        return;
    const int firstRow = FirstResultRow(r, cut_.source.height(), cut_.size.height());
    const int endRow = FirstResultRow(r + 1, cut_.source.height(), cut_.size.height());
    if (firstRow >= endRow)
        return;
    // The image is not shared while rows come in, so these neither detach nor allocate.
    uchar* const bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    const int width = cut_.size.width();
    auto* out = reinterpret_cast<QRgb*>(bits + firstRow * stride);
    if (step == 1 && first == 0) {
        if (row == out) {
            // Decoded in place.
        } else if (columns_.empty()) {
            std::memcpy(out, row + cut_.source.x(), static_cast<std::size_t>(width) * sizeof(QRgb));
        } else {
            const int* columns = columns_.data();
            for (int x = 0; x < width; ++x)
                out[x] = row[columns[x]];
        }
        for (int j = firstRow + 1; j < endRow; ++j)
            std::memcpy(bits + j * stride, out, static_cast<std::size_t>(width) * sizeof(QRgb));
        return;
    }
    for (int x = 0; x < width; ++x) {
        const int column = SourceColumn(x);
        if (column < first || (column - first) % step != 0)
            continue;
        const QRgb pixel = row[(column - first) / step];
        for (int j = firstRow; j < endRow; ++j)
            reinterpret_cast<QRgb*>(bits + j * stride)[x] = pixel;
    }
}

PictureCut CutPlan::Plan(QSize stored, PictureMeta meta)
{
    stored_ = stored;
    meta_ = std::move(meta);
    const int o = meta_.orientation;
    const PictureCut shown = cutFor_(OrientedSize(stored, o));
    return PictureCut{StoredRect(shown.source.intersected(QRect(QPoint(0, 0), OrientedSize(stored, o))), stored, o),
                      OrientedSize(shown.size, o)};
}

void ConvertInvertedCmyk(QImage& picture)
{
    const int width = picture.width(), height = picture.height();
    for (int y = 0; y < height; ++y) {
        uchar* bytes = picture.scanLine(y);
        auto* line = reinterpret_cast<QRgb*>(bytes);
        for (int x = 0; x < width; ++x) {
            const int c = bytes[4 * x], m = bytes[4 * x + 1], ye = bytes[4 * x + 2], k = bytes[4 * x + 3];
            line[x] = qRgb(Blend(c, k, 0), Blend(m, k, 0), Blend(ye, k, 0));
        }
    }
    picture.reinterpretAsFormat(QImage::Format_RGB32);
}

PictureFile OpenPictureFile(const std::string& path)
{
    ReadableFile opened = ReadableFile::Open(path, kMaxFileBytes);
    switch (opened.fault()) {
    case ReadableFile::Fault::None:
        break;
    case ReadableFile::Fault::Missing:
        throw PictureFault{PictureFault::Unreadable, Text(Pictures::tr("the file does not exist"))};
    case ReadableFile::Fault::Folder:
        throw PictureFault{PictureFault::Unreadable, Text(Pictures::tr("it is a folder, not a file"))};
    case ReadableFile::Fault::NotRegular:
        throw PictureFault{PictureFault::Unreadable, Text(Pictures::tr("it is not a regular file"))};
    case ReadableFile::Fault::TooLarge:
        throw PictureFault{PictureFault::TooLarge, Text(Pictures::tr("the file is larger than 512 MiB"))};
    case ReadableFile::Fault::System:
        throw PictureFault{PictureFault::Unreadable, Text(Pictures::tr("cannot open the file (%1)").arg(QString::fromStdString(opened.reason())))};
    }
    if (opened.size() == 0)
        throw PictureFault{PictureFault::Unreadable, Text(Pictures::tr("the file is empty"))};
    const std::uint64_t size = opened.size();
    PictureFile file{std::unique_ptr<std::FILE, FileCloser>(opened.releaseAsStream()), size};
    if (!file.handle)
        throw PictureFault{PictureFault::Unreadable, Text(Pictures::tr("cannot open the file (%1)").arg(QString::fromStdString(opened.reason())))};
    return file;
}

FileBytes ReadWholeFile(PictureFile& file)
{
    const PictureFault tooLarge{PictureFault::TooLarge, Text(Pictures::tr("the file is larger than 512 MiB"))};
    // The size is only a hint: the file may change while it is read. One byte more than
    // that lets the first read see the end of the file without a second buffer.
    FileBytes bytes;
    std::size_t capacity = file.size > 0 ? static_cast<std::size_t>(file.size) + 1 : 64 * 1024;
    bytes.data.reset(new unsigned char[capacity]);
    for (;;) {
        if (bytes.size == capacity) {
            if (capacity > kMaxFileBytes)
                throw tooLarge;
            const std::size_t larger = std::min<std::size_t>(capacity * 2, kMaxFileBytes + 1);
            std::unique_ptr<unsigned char[]> grown(new unsigned char[larger]);
            std::memcpy(grown.get(), bytes.data.get(), bytes.size);
            bytes.data = std::move(grown);
            capacity = larger;
        }
        const std::size_t got = std::fread(bytes.data.get() + bytes.size, 1, capacity - bytes.size, file.handle.get());
        bytes.size += got;
        if (got == 0) {
            if (std::ferror(file.handle.get()))
                throw PictureFault{PictureFault::Unreadable,
                                   Text(Pictures::tr("cannot read the file (%1)")
                                            .arg(QString::fromStdString(std::generic_category().message(errno))))};
            break;
        }
    }
    if (bytes.size > kMaxFileBytes)
        throw tooLarge;
    if (bytes.size == 0)
        throw PictureFault{PictureFault::Unreadable, Text(Pictures::tr("the file is empty"))};
    return bytes;
}

}  // namespace bimbalo::pictures

namespace {

using bimbalo::pictures::PictureFault;
using bimbalo::pictures::Pictures;
using bimbalo::pictures::Text;

// The extension is everything from the last dot of the file name, so ".jpg" alone counts too.
std::string ExtensionOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return {};
    return AsciiLower(name.substr(dot));
}

const char* KindName(PictureFormat kind)
{
    switch (kind) {
    case PictureFormat::Jpeg:
        return "JPEG";
    case PictureFormat::Png:
        return "PNG";
    case PictureFormat::Bmp:
        return "BMP";
    case PictureFormat::Webp:
        return "WebP";
    case PictureFormat::Gif:
        return "GIF";
    case PictureFormat::Heif:
        return "HEIF";
    case PictureFormat::None:
        break;
    }
    return "";
}

[[noreturn]] void Fail(const std::string& path, const std::string& reason)
{
    throw EPictureError(
        Text(Pictures::tr("Cannot load picture \"%1\": %2").arg(QString::fromStdString(path), QString::fromStdString(reason))));
}

PictureCut WholePicture(QSize natural)
{
    return PictureCut{QRect(QPoint(0, 0), natural), natural};
}

// jpegBound: LoadPictureScaled's reduced JPEG decode instead of the cut, when not empty.
CutPicture Load(const std::string& path, const PictureCutter& cutFor, QSize jpegBound = {}, bool twoThreads = true)
{
    using namespace bimbalo::pictures;

    const std::string extension = ExtensionOf(path);
    const PictureFormat kind = PictureFormatOfExtension(extension);
    if (extension.empty())
        Fail(path, "the file name has no extension, so the kind of picture is unknown");
    if (kind == PictureFormat::None)
        Fail(path, "\"" + extension + "\" is not a supported kind of picture");

    try {
        PictureFile file = OpenPictureFile(path);
        CutPicture picture;
        CutPlan plan(cutFor);
        PictureMeta meta;
        switch (kind) {
        case PictureFormat::Jpeg: {
            const FileBytes bytes = ReadWholeFile(file);
            if (jpegBound.isEmpty()) {
                picture = DecodeJpegCut(bytes.data.get(), bytes.size, plan, twoThreads);
                meta = plan.meta();
            } else {
                meta = ReadJpegMetadata(bytes.data.get(), bytes.size);
                const QSize bound = OrientedSize(jpegBound, meta.orientation);
                picture.image = DecodeJpeg(bytes.data.get(), bytes.size, bound.width(), bound.height());
                picture.natural = picture.image.size();
            }
            break;
        }
        case PictureFormat::Png:
            picture = DecodePng(file.handle.get(), plan);
            meta = plan.meta();
            break;
        case PictureFormat::Bmp:
            picture = DecodeBmp(file.handle.get(), plan);
            meta = plan.meta();
            break;
        case PictureFormat::Gif:
            picture = DecodeGif(file.handle.get(), plan);
            meta = plan.meta();
            break;
        case PictureFormat::Webp:
        case PictureFormat::Heif: {
            const FileBytes bytes = ReadWholeFile(file);
            picture = kind == PictureFormat::Webp ? DecodeWebp(bytes.data.get(), bytes.size, plan, twoThreads)
                                                : DecodeHeif(bytes.data.get(), bytes.size, plan, twoThreads);
            meta = plan.meta();
            break;
        }
        case PictureFormat::None:
            break;
        }
        if (!picture.image.isNull() && picture.image.format() != QImage::Format_RGB32
            && picture.image.format() != QImage::Format_ARGB32)
            throw PictureFault{PictureFault::Damaged, Text(Pictures::tr("the decoder gave no picture"))};
        ConvertToSrgb(picture.image, picture.corner, meta.iccProfile);
        picture.image = Orient(picture.image, meta.orientation);
        picture.natural = OrientedSize(picture.natural, meta.orientation);
        return picture;
    } catch (const PictureFault& fault) {
        const QString name = QLatin1String(KindName(kind));
        const QString detail = QString::fromStdString(fault.detail);
        switch (fault.kind) {
        case PictureFault::NotOfKind:
            Fail(path, Text(Pictures::tr("not a %1 file (%2)").arg(name, detail)));
        case PictureFault::Damaged:
            Fail(path, Text(Pictures::tr("damaged or truncated %1 file (%2)").arg(name, detail)));
        case PictureFault::TooLarge:
            Fail(path, Text(Pictures::tr("the picture is too large: %1").arg(detail)));
        case PictureFault::OutOfMemory:
        case PictureFault::Unreadable:
            Fail(path, fault.detail);
        }
        throw;
    } catch (const std::bad_alloc&) {
        Fail(path, Text(Pictures::tr("not enough memory")));
    }
}

QImage Whole(CutPicture picture, const std::string& path)
{
    if (picture.image.isNull())
        Fail(path, Text(Pictures::tr("the decoder gave no picture")));
    return FlattenOnto(std::move(picture.image), qRgb(255, 255, 255));
}

}  // namespace

QImage LoadPicture(const std::string& path)
{
    return Whole(Load(path, WholePicture), path);
}

QImage LoadPictureScaled(const std::string& path, int maxWidth, int maxHeight)
{
    if (maxWidth <= 0 || maxHeight <= 0)
        return LoadPicture(path);
    return Whole(Load(path, WholePicture, QSize(maxWidth, maxHeight)), path);
}

CutPicture LoadPictureCut(const std::string& path, const PictureCutter& cutFor)
{
    return Load(path, cutFor);
}

CutPicture LoadPictureCut(const std::string& path, DecodeThreads threads, const PictureCutter& cutFor)
{
    return Load(path, cutFor, {}, threads == DecodeThreads::Any);
}
