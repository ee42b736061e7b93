#pragma once

// Shared between the picture decoders; not part of the public interface.

#include "media/picture_decoders.h"

#include <QByteArray>
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

// ---- How a picture is to be shown ----

// What a file says about how its pixels are to be shown.
struct PictureMeta {
    int orientation = 1;    // EXIF orientation, 1 (as stored) to 8
    QByteArray iccProfile;  // the embedded colour profile; empty when there is none
};

// The orientation in an EXIF block (a TIFF header and its first IFD); 1 for a block without
// one, and for a damaged block or an absurd value.
int ExifOrientation(const unsigned char* tiff, std::size_t size);

// The orientation and colour profile of a JPEG in memory, from its APP1 (EXIF) and APP2
// (ICC_PROFILE) segments. A damaged segment or a profile with chunks missing is left out.
PictureMeta ReadJpegMetadata(const unsigned char* data, std::size_t size);

// The size of a picture stored at `stored` as it is shown.
QSize OrientedSize(QSize stored, int orientation);
// The stored pixel that is shown at `shown`, and the stored rectangle shown as `shown`.
QPoint StoredPoint(QPoint shown, QSize stored, int orientation);
QRect StoredRect(QRect shown, QSize stored, int orientation);
// A stored picture (or a cut of one) turned the way it is shown.
QImage Orient(const QImage& stored, int orientation);

// Converts the pixels and the corner from the profile's colour space to sRGB. A profile Qt
// cannot read, or none, leaves them as they are.
void ConvertToSrgb(QImage& image, QRgb& corner, const QByteArray& iccProfile);

// Turns the cut that a caller asked for, in the picture as shown, into the cut of the stored
// picture once a decoder knows the stored size and the metadata.
class CutPlan {
public:
    explicit CutPlan(const PictureCutter& cutFor) : cutFor_(cutFor) {}

    // Called once by the decoder; the cut of the stored picture that it is to keep.
    PictureCut Plan(QSize stored, PictureMeta meta);
    // The stored pixel that is shown top-left.
    QPoint corner() const { return StoredPoint(QPoint(0, 0), stored_, meta_.orientation); }
    const PictureMeta& meta() const { return meta_; }

private:
    const PictureCutter& cutFor_;
    QSize stored_;
    PictureMeta meta_;
};

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
    // rowsSize: the size of the picture whose rows are handed over; the result keeps their
    // alpha (ARGB32, not premultiplied) when `alpha`, and is RGB32 otherwise. `corner` is the
    // pixel to note as the corner. Throws PictureFault for a cut too large to hold.
    CutCollector(QSize rowsSize, PictureCut cut, bool alpha, QPoint corner = QPoint(0, 0));

    // Whether Put has any use for row y: a row the cut samples, or the corner's row.
    bool Wants(int y) const;
    // The last row Put has any use for; a decoder reading from the top may stop after it.
    int LastWantedRow() const;
    // The result's row that is picture row y unchanged, for a decoder to decode into in place;
    // null when there is none.
    QRgb* DirectRow(int y);
    // Row y of the picture as ARGB pixels; with step > 1, only its pixels at columns first,
    // first + step, ... (a pass of an interlaced picture), row[i] being column first + i * step.
    void Put(int y, const QRgb* row, int first = 0, int step = 1) noexcept;

    QRgb corner() const { return corner_; }
    QImage TakeImage() { return std::move(image_); }

private:
    int SourceColumn(int x) const { return columns_.empty() ? cut_.source.x() + x : columns_[static_cast<std::size_t>(x)]; }

    PictureCut cut_;
    QPoint cornerAt_;
    bool whole_;                // the cut is the picture itself
    std::vector<int> columns_;  // source column of each result column; empty for a plain cut-out
    QImage image_;
    QRgb corner_ = 0;
};

// TurboJPEG wants the whole file in memory; the other two read as they go, which spares a
// copy of the file next to the picture.
// The Cut decoders return the stored picture's cut (natural is the stored size, corner the
// pixel at plan.corner()); the caller turns it and converts its colours.
QImage DecodeJpeg(const unsigned char* data, std::size_t size, int maxWidth, int maxHeight);
CutPicture DecodeJpegCut(const unsigned char* data, std::size_t size, CutPlan& plan, bool twoThreads = true);
CutPicture DecodePng(std::FILE* file, CutPlan& plan);
CutPicture DecodeBmp(std::FILE* file, CutPlan& plan);
// GIF reads as it goes, WebP and HEIF want the file in memory. A GIF gives its first frame on
// its logical screen; a WebP its first frame, from its EXIF chunk's orientation and ICCP chunk's
// profile; a HEIF file its primary image already turned by the file's own transformations, so
// its plan's orientation is always 1.
CutPicture DecodeGif(std::FILE* file, CutPlan& plan);
CutPicture DecodeWebp(const unsigned char* data, std::size_t size, CutPlan& plan, bool twoThreads = true);
CutPicture DecodeHeif(const unsigned char* data, std::size_t size, CutPlan& plan, bool twoThreads = true);

}  // namespace bimbalo::pictures
