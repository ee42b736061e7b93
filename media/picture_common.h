#pragma once

// Shared between the picture decoders; not part of the public interface.

#include <QIODevice>
#include <QImage>

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <memory>
#include <string>

namespace bimbalo::pictures {

// Pictures beyond these are refused from their declared size, before any pixel memory exists.
inline constexpr std::uint64_t kMaxPixels = 100'000'000;
inline constexpr std::uint64_t kMaxDecodedBytes = std::uint64_t{1} << 30;
inline constexpr std::uint64_t kMaxFileBytes = std::uint64_t{512} << 20;

// What went wrong inside one decoder; LoadPicture turns it into an EPictureError naming the file.
struct PictureFault {
    enum Kind { NotOfKind, Damaged, TooLarge, OutOfMemory, Unreadable };
    Kind kind;
    std::string detail;
};

// Throws PictureFault::TooLarge when width x height pixels of bytesPerPixel bytes each
// exceed the limits, and Damaged for a zero or negative size.
void CheckPictureSize(std::int64_t width, std::int64_t height, int bytesPerPixel);

// A QImage of the given size and format, or PictureFault::OutOfMemory.
QImage AllocatePicture(int width, int height, QImage::Format format);

// Turns an ARGB32 (non-premultiplied) picture into an opaque RGB32 one in place, by
// compositing every pixel onto white.
void FlattenOntoWhite(QImage& picture);

// Turns a picture whose pixels hold inverted (Adobe-style) C, M, Y, K bytes in memory
// order into RGB32 in place.
void ConvertInvertedCmyk(QImage& picture);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct PictureFile {
    std::unique_ptr<std::FILE, FileCloser> handle;
    std::uint64_t size = 0;  // 0 when the system cannot say
};

// Opens a picture file for reading, never waiting on a pipe or a device. Throws
// PictureFault::Unreadable for a missing, empty or unopenable file, a folder or anything else
// that is not a regular file, and TooLarge for a file over the size cap.
PictureFile OpenPictureFile(const std::string& path);

// A whole file's bytes. Unlike a std::vector, the buffer is not zeroed before the file is
// read into it, which matters for pictures of tens of megabytes.
struct FileBytes {
    std::unique_ptr<unsigned char[]> data;
    std::size_t size = 0;
};

// Reads the rest of an opened picture file, keeping to the size cap.
FileBytes ReadWholeFile(PictureFile& file);

// TurboJPEG wants the whole file in memory; the other two read as they go, which spares a
// copy of the file next to the picture.
QImage DecodeJpeg(const unsigned char* data, std::size_t size, int maxWidth, int maxHeight);
QImage DecodePng(std::FILE* file);
QImage DecodeBmp(QIODevice& device);

}  // namespace bimbalo::pictures
