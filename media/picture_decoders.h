#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <functional>
#include <stdexcept>
#include <string>

// Raised for every picture that cannot be loaded; the message names the file and says why.
class EPictureError : public std::runtime_error {
public:
    using runtime_error::runtime_error;
};

// Loads a picture file. The decoder is chosen by the file name's extension, compared without
// regard to ASCII case: ".jpg", ".jpeg", ".jpe", ".jfif" (libjpeg-turbo), ".png" (libpng),
// ".bmp" (our own reader), ".webp" (libwebp), ".gif" (giflib), ".heic", ".heif", ".avif"
// (libheif). An animated GIF or WebP gives its first frame, composed on its logical screen or
// canvas, transparent around it.
// Any other extension, a file that is not really of its extension's kind, a truncated or
// corrupt file, a file over 512 MiB, or a picture over 100 megapixels raises EPictureError.
// The result is QImage::Format_RGB32, opaque (transparent pixels are composited onto white),
// turned and colour-converted as LoadPictureCut says, and never null.
QImage LoadPicture(const std::string& path);

// Like LoadPicture, but a JPEG that will be shown reduced is decoded straight to a smaller
// size (DCT scaling by 1/8 to 7/8). The result is never smaller than the picture's
// aspect-preserving fit into maxWidth x maxHeight, so fitting it afterwards only ever reduces
// it further. Other kinds, maxWidth or maxHeight <= 0, and pictures that already fit are
// returned at their natural size.
QImage LoadPictureScaled(const std::string& path, int maxWidth, int maxHeight);

// The part of a picture that is kept while it is decoded: the rectangle `source` of the picture
// stretched to `size` without smoothing, as StretchNearest does it (result column x comes from
// source column source.x() + ((2x + 1) * source.width()) / (2 * size.width()), rows alike).
// With size equal to source.size() that is a plain cut-out.
struct PictureCut {
    QRect source;
    QSize size;
    bool operator==(const PictureCut&) const = default;
};

// Chooses the cut once the picture's own size is known.
using PictureCutter = std::function<PictureCut(QSize natural)>;

struct CutPicture {
    QSize natural;    // the picture's own size, as it is shown
    QRgb corner = 0;  // its top-left pixel as shown, with its alpha (not premultiplied)
    QImage image;     // of cut.size: RGB32, or ARGB32 (not premultiplied) for a picture with
                      // alpha; null when the cut keeps nothing
};

// Like LoadPicture, but keeps only the cut, which the cutter chooses in the picture as it is
// shown: turned by its EXIF orientation (JPEG, PNG's eXIf chunk and WebP's EXIF chunk; a HEIF
// file by its own rotation and mirror boxes only) and with its colours converted from an
// embedded colour profile (a HEIF file's nclx box naming Display P3 too) to sRGB. Transparency is kept for the caller to
// composite onto whatever it draws on (see FlattenOnto).
//
// Only the rows and columns the cut samples are kept, so memory follows the cut's size, not
// the picture's. A PNG or BMP is decoded row by row up to the last row the cut needs (a PNG
// decoded to its end is checked whole; rows below what is needed are not read), and its pixels
// are exactly those of LoadPicture stretched by nearest neighbour. A JPEG reduced to less than
// its size is decoded with the DCT scaling (1/2, 1/4 or 1/8) that still covers the cut and then
// stretched: its pixels are then block averages rather than single pixels of the picture, and
// may differ slightly from the full decode's. A JPEG that is only cut out is decoded over the
// cut's columns and down to its last row. A still WebP is cropped to the cut by libwebp and,
// where the cut is smaller in both directions, reduced by libwebp's averaging scaler (its
// pixels are then averages too). A GIF is read row by row like a PNG, an interlaced one to the
// end of its first frame. An animated WebP and a HEIF file are decoded whole by their libraries
// and only then cut.
CutPicture LoadPictureCut(const std::string& path, const PictureCutter& cutFor);

// Whether the decoding of one picture may be spread over the machine's cores (a large JPEG is
// then decoded on two threads), or keeps to the calling thread, as when several pictures are
// decoded side by side.
enum class DecodeThreads { Any, One };
CutPicture LoadPictureCut(const std::string& path, DecodeThreads threads, const PictureCutter& cutFor);

// A pixel with alpha (not premultiplied) composited onto an opaque colour.
QRgb BlendOnto(QRgb pixel, QRgb under);
// A picture composited onto an opaque colour: RGB32 from ARGB32 (not premultiplied); any
// other format is returned as it is.
QImage FlattenOnto(QImage picture, QRgb under);
