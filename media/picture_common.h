#pragma once

// Shared between the picture decoders; not part of the public interface.

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// Whole-file read with the size cap; throws PictureFault::Unreadable or TooLarge.
std::vector<unsigned char> ReadPictureFile(const std::string& path);

QImage DecodeJpeg(const unsigned char* data, std::size_t size, int maxWidth, int maxHeight);
QImage DecodePng(const unsigned char* data, std::size_t size);
QImage DecodeBmp(const unsigned char* data, std::size_t size);

}  // namespace bimbalo::pictures
