#include "picture_common.h"

#include <turbojpeg.h>

#include <memory>
#include <string>
#include <type_traits>

namespace bimbalo::pictures {

namespace {

using Decompressor = std::unique_ptr<std::remove_pointer_t<tjhandle>, decltype(&tjDestroy)>;

std::string LibraryReason(tjhandle handle)
{
    std::string reason = tjGetErrorStr2(handle);
    // TurboJPEG prefixes its own argument errors with the function name; the user needs none of it.
    if (const auto pos = reason.find("(): "); pos != std::string::npos && pos < 32)
        reason.erase(0, pos + 4);
    return reason;
}

// libjpeg finishes most damaged files with a warning and fills the gaps with grey. Only the
// warnings about harmless oddities are let through; any other warning (truncation, corrupt
// entropy data, bad progression) makes the file damaged. TurboJPEG keeps the first warning's
// text only, so a harmless first warning can hide a later one: the picture then shows its gaps.
bool IsHarmlessWarning(const std::string& message)
{
    for (const char* harmless : {"extraneous bytes before marker", "Unknown Adobe color transform",
                                 "unknown JFIF revision", "Corrupt JPEG data: bad ICC marker"})
        if (message.find(harmless) != std::string::npos)
            return true;
    return false;
}

// The smallest DCT scaling that still covers the fit of width x height into maxWidth x maxHeight.
void ChooseScaledSize(int width, int height, int maxWidth, int maxHeight, int& scaledWidth, int& scaledHeight)
{
    scaledWidth = width;
    scaledHeight = height;
    if (maxWidth <= 0 || maxHeight <= 0 || (width <= maxWidth && height <= maxHeight))
        return;
    std::int64_t fitWidth, fitHeight;
    if (std::int64_t{width} * maxHeight > std::int64_t{height} * maxWidth) {
        fitWidth = maxWidth;
        fitHeight = (std::int64_t{height} * maxWidth + width - 1) / width;
    } else {
        fitHeight = maxHeight;
        fitWidth = (std::int64_t{width} * maxHeight + height - 1) / height;
    }
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    for (int i = 0; factors && i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num > f.denom)
            continue;
        const int w = TJSCALED(width, f), h = TJSCALED(height, f);
        if (w >= fitWidth && h >= fitHeight && w < scaledWidth) {
            scaledWidth = w;
            scaledHeight = h;
        }
    }
}

}  // namespace

QImage DecodeJpeg(const unsigned char* data, std::size_t size, int maxWidth, int maxHeight)
{
    const bool startsLikeJpeg = size >= 2 && data[0] == 0xFF && data[1] == 0xD8;

    Decompressor handle(tjInitDecompress(), &tjDestroy);
    if (!handle)
        throw PictureFault{PictureFault::OutOfMemory, "cannot start the JPEG decoder"};

    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle.get(), data, static_cast<unsigned long>(size), &width, &height, &subsampling,
                            &colourspace) != 0) {
        const std::string reason = LibraryReason(handle.get());
        if (!startsLikeJpeg)
            throw PictureFault{PictureFault::NotOfKind, reason};
        if (tjGetErrorCode(handle.get()) != TJERR_WARNING || !IsHarmlessWarning(reason) || width <= 0)
            throw PictureFault{PictureFault::Damaged, reason};
    }
    CheckPictureSize(width, height, 4);

    int scaledWidth, scaledHeight;
    ChooseScaledSize(width, height, maxWidth, maxHeight, scaledWidth, scaledHeight);

    // libjpeg-turbo cannot turn CMYK into RGB; it hands the four channels over and they are
    // converted below, in the same four bytes per pixel.
    const bool cmyk = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
    const int pixelFormat = cmyk ? TJPF_CMYK : (Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB);

    QImage picture = AllocatePicture(scaledWidth, scaledHeight, QImage::Format_RGB32);
    // TJFLAG_LIMITSCANS refuses progressive files with hundreds of scans, each of which would
    // make the decoder walk the whole picture again.
    if (tjDecompress2(handle.get(), data, static_cast<unsigned long>(size), picture.bits(), scaledWidth,
                      static_cast<int>(picture.bytesPerLine()), scaledHeight, pixelFormat, TJFLAG_LIMITSCANS)
        != 0) {
        const std::string reason = LibraryReason(handle.get());
        if (tjGetErrorCode(handle.get()) != TJERR_WARNING || !IsHarmlessWarning(reason))
            throw PictureFault{PictureFault::Damaged, reason};
    }
    if (cmyk)
        ConvertInvertedCmyk(picture);
    return picture;
}

}  // namespace bimbalo::pictures
