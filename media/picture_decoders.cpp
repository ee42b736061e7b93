#include "picture_decoders.h"

#include "picture_common.h"
#include "readable_file.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <memory>
#include <system_error>

namespace bimbalo::pictures {

void CheckPictureSize(std::int64_t width, std::int64_t height, int bytesPerPixel)
{
    if (width <= 0 || height <= 0)
        throw PictureFault{PictureFault::Damaged, "the picture has no pixels"};
    const auto pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (pixels > kMaxPixels || pixels * static_cast<std::uint64_t>(bytesPerPixel) > kMaxDecodedBytes)
        throw PictureFault{PictureFault::TooLarge, std::to_string(width) + " x " + std::to_string(height)
                                                       + " pixels is more than the 100 megapixels allowed"};
}

QImage AllocatePicture(int width, int height, QImage::Format format)
{
    QImage picture(width, height, format);
    if (picture.isNull())
        throw PictureFault{PictureFault::OutOfMemory, "not enough memory for " + std::to_string(width) + " x "
                                                          + std::to_string(height) + " pixels"};
    return picture;
}

static inline int Blend(int colour, int alpha, int under)
{
    return (colour * alpha + under * (255 - alpha) + 127) / 255;
}

void FlattenOntoWhite(QImage& picture)
{
    const int width = picture.width(), height = picture.height();
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb p = line[x];
            const int a = qAlpha(p);
            if (a != 255)
                line[x] = qRgb(Blend(qRed(p), a, 255), Blend(qGreen(p), a, 255), Blend(qBlue(p), a, 255));
        }
    }
    picture.reinterpretAsFormat(QImage::Format_RGB32);
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
        throw PictureFault{PictureFault::Unreadable, "the file does not exist"};
    case ReadableFile::Fault::Folder:
        throw PictureFault{PictureFault::Unreadable, "it is a folder, not a file"};
    case ReadableFile::Fault::NotRegular:
        throw PictureFault{PictureFault::Unreadable, "it is not a regular file"};
    case ReadableFile::Fault::TooLarge:
        throw PictureFault{PictureFault::TooLarge, "the file is larger than 512 MiB"};
    case ReadableFile::Fault::System:
        throw PictureFault{PictureFault::Unreadable, "cannot open the file (" + opened.reason() + ")"};
    }
    if (opened.size() == 0)
        throw PictureFault{PictureFault::Unreadable, "the file is empty"};
    const std::uint64_t size = opened.size();
    PictureFile file{std::unique_ptr<std::FILE, FileCloser>(opened.releaseAsStream()), size};
    if (!file.handle)
        throw PictureFault{PictureFault::Unreadable, "cannot open the file (" + opened.reason() + ")"};
    return file;
}

FileBytes ReadWholeFile(PictureFile& file)
{
    const PictureFault tooLarge{PictureFault::TooLarge, "the file is larger than 512 MiB"};
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
                                   "cannot read the file (" + std::generic_category().message(errno) + ")"};
            break;
        }
    }
    if (bytes.size > kMaxFileBytes)
        throw tooLarge;
    if (bytes.size == 0)
        throw PictureFault{PictureFault::Unreadable, "the file is empty"};
    return bytes;
}

}  // namespace bimbalo::pictures

namespace {

using bimbalo::pictures::PictureFault;

enum class PictureKind { Jpeg, Png, Bmp };

// The extension is everything from the last dot of the file name, so ".jpg" alone counts too.
std::string ExtensionOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return {};
    std::string extension = name.substr(dot);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

const char* KindName(PictureKind kind)
{
    switch (kind) {
    case PictureKind::Jpeg:
        return "JPEG";
    case PictureKind::Png:
        return "PNG";
    case PictureKind::Bmp:
        return "BMP";
    }
    return "";
}

[[noreturn]] void Fail(const std::string& path, const std::string& reason)
{
    throw EPictureError("Cannot load picture \"" + path + "\": " + reason);
}

QImage Load(const std::string& path, int maxWidth, int maxHeight)
{
    using namespace bimbalo::pictures;

    const std::string extension = ExtensionOf(path);
    PictureKind kind;
    if (extension == ".jpg")
        kind = PictureKind::Jpeg;
    else if (extension == ".png")
        kind = PictureKind::Png;
    else if (extension == ".bmp")
        kind = PictureKind::Bmp;
    else if (extension.empty())
        Fail(path, "the file name has no extension, so the kind of picture is unknown");
    else
        Fail(path, "\"" + extension + "\" is not a supported kind of picture");

    try {
        PictureFile file = OpenPictureFile(path);
        QImage picture;
        switch (kind) {
        case PictureKind::Jpeg: {
            const FileBytes bytes = ReadWholeFile(file);
            picture = DecodeJpeg(bytes.data.get(), bytes.size, maxWidth, maxHeight);
            break;
        }
        case PictureKind::Png:
            picture = DecodePng(file.handle.get());
            break;
        case PictureKind::Bmp: {
            QFile device;
            if (!device.open(file.handle.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
                throw PictureFault{PictureFault::Unreadable, "cannot read the file"};
            picture = DecodeBmp(device);
            break;
        }
        }
        if (picture.isNull() || picture.format() != QImage::Format_RGB32)
            throw PictureFault{PictureFault::Damaged, "the decoder gave no picture"};
        return picture;
    } catch (const PictureFault& fault) {
        const std::string name = KindName(kind);
        switch (fault.kind) {
        case PictureFault::NotOfKind:
            Fail(path, "not a " + name + " file (" + fault.detail + ")");
        case PictureFault::Damaged:
            Fail(path, "damaged or truncated " + name + " file (" + fault.detail + ")");
        case PictureFault::TooLarge:
            Fail(path, "the picture is too large: " + fault.detail);
        case PictureFault::OutOfMemory:
        case PictureFault::Unreadable:
            Fail(path, fault.detail);
        }
        throw;
    } catch (const std::bad_alloc&) {
        Fail(path, "not enough memory");
    }
}

}  // namespace

QImage LoadPicture(const std::string& path)
{
    return Load(path, 0, 0);
}

QImage LoadPictureScaled(const std::string& path, int maxWidth, int maxHeight)
{
    return Load(path, maxWidth, maxHeight);
}
