#pragma once

#include <QImage>

#include <stdexcept>
#include <string>

// Raised for every picture that cannot be loaded; the message names the file and says why.
class EPictureError : public std::runtime_error {
public:
    using runtime_error::runtime_error;
};

// Loads a picture file. The decoder is chosen by the file name's extension, compared without
// regard to ASCII case: ".jpg" (libjpeg-turbo), ".png" (libpng), ".bmp" (Qt's BMP reader).
// Any other extension, a file that is not really of its extension's kind, a truncated or
// corrupt file, a file over 512 MiB, or a picture over 100 megapixels raises EPictureError.
// The result is QImage::Format_RGB32, opaque (transparent pixels are composited onto white)
// and never null.
QImage LoadPicture(const std::string& path);

// Like LoadPicture, but a JPEG that will be shown reduced is decoded straight to a smaller
// size (DCT scaling by 1/2, 1/4 or 1/8). The result is never smaller than the picture's
// aspect-preserving fit into maxWidth x maxHeight, so fitting it afterwards only ever reduces
// it further. Other kinds, maxWidth or maxHeight <= 0, and pictures that already fit are
// returned at their natural size.
QImage LoadPictureScaled(const std::string& path, int maxWidth, int maxHeight);
