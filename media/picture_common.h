#pragma once

// Shared between the picture decoders; not part of the public interface.

#include "media/picture_decoders.h"

#include <QImage>

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <memory>
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

// Composites a non-premultiplied ARGB pixel onto white.
QRgb OntoWhite(QRgb pixel);

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

// Builds a cut (see PictureCut) from picture rows handed over one at a time, in any order
// (a BMP keeps them bottom-up), each at most once. Put neither throws nor allocates, so the PNG
// decoder may call it between libpng's calls.
class CutCollector {
public:
    // rowsSize: the size of the picture whose rows are handed over; transparent pixels are
    // composited onto white when `flatten`. Throws PictureFault for a cut too large to hold.
    CutCollector(QSize rowsSize, PictureCut cut, bool flatten);

    // Whether Put has any use for row y: a row the cut samples, or row 0 for the corner.
    bool Wants(int y) const;
    // The result's row that is picture row y unchanged, for a decoder to decode into in place;
    // null when there is none.
    QRgb* DirectRow(int y);
    // Row y of the picture as ARGB pixels; with step > 1, only its pixels at columns first,
    // first + step, ... (a pass of an interlaced picture), row[i] being column first + i * step.
    void Put(int y, const QRgb* row, int first = 0, int step = 1) noexcept;

    QRgb corner() const { return corner_; }
    QImage TakeImage() { return std::move(image_); }

private:
    QRgb Pixel(QRgb pixel) const { return flatten_ ? OntoWhite(pixel) : pixel; }
    int SourceColumn(int x) const { return columns_.empty() ? cut_.source.x() + x : columns_[static_cast<std::size_t>(x)]; }

    PictureCut cut_;
    bool flatten_;
    bool whole_;                // the cut is the picture itself
    std::vector<int> columns_;  // source column of each result column; empty for a plain cut-out
    QImage image_;
    QRgb corner_ = 0;
};

// TurboJPEG wants the whole file in memory; the other two read as they go, which spares a
// copy of the file next to the picture.
QImage DecodeJpeg(const unsigned char* data, std::size_t size, int maxWidth, int maxHeight);
CutPicture DecodeJpegCut(const unsigned char* data, std::size_t size, const PictureCutter& cutFor);
CutPicture DecodePng(std::FILE* file, const PictureCutter& cutFor);
CutPicture DecodeBmp(std::FILE* file, const PictureCutter& cutFor);

}  // namespace bimbalo::pictures
