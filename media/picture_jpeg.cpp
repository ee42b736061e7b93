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

// A decompressor that has read the header of the picture in memory.
struct JpegSource {
    Decompressor handle{nullptr, &tjDestroy};
    const unsigned char* data = nullptr;
    unsigned long size = 0;
    int width = 0;
    int height = 0;
    bool cmyk = false;
};

JpegSource ReadJpegHeader(const unsigned char* data, std::size_t size)
{
    const bool startsLikeJpeg = size >= 2 && data[0] == 0xFF && data[1] == 0xD8;

    JpegSource source;
    source.handle.reset(tjInitDecompress());
    if (!source.handle)
        throw PictureFault{PictureFault::OutOfMemory, "cannot start the JPEG decoder"};
    source.data = data;
    source.size = static_cast<unsigned long>(size);

    int subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(source.handle.get(), data, source.size, &source.width, &source.height, &subsampling,
                            &colourspace) != 0) {
        const std::string reason = LibraryReason(source.handle.get());
        if (!startsLikeJpeg)
            throw PictureFault{PictureFault::NotOfKind, reason};
        if (tjGetErrorCode(source.handle.get()) != TJERR_WARNING || !IsHarmlessWarning(reason) || source.width <= 0)
            throw PictureFault{PictureFault::Damaged, reason};
    }
    CheckPictureSize(source.width, source.height, 4);
    source.cmyk = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
    return source;
}

QImage DecodeJpegAt(JpegSource& source, int width, int height)
{
    // libjpeg-turbo cannot turn CMYK into RGB; it hands the four channels over and they are
    // converted below, in the same four bytes per pixel.
    const int pixelFormat = source.cmyk ? TJPF_CMYK : (Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB);

    QImage picture = AllocatePicture(width, height, QImage::Format_RGB32);
    // TJFLAG_LIMITSCANS refuses progressive files with hundreds of scans, each of which would
    // make the decoder walk the whole picture again.
    if (tjDecompress2(source.handle.get(), source.data, source.size, picture.bits(), width,
                      static_cast<int>(picture.bytesPerLine()), height, pixelFormat, TJFLAG_LIMITSCANS)
        != 0) {
        const std::string reason = LibraryReason(source.handle.get());
        if (tjGetErrorCode(source.handle.get()) != TJERR_WARNING || !IsHarmlessWarning(reason))
            throw PictureFault{PictureFault::Damaged, reason};
    }
    if (source.cmyk)
        ConvertInvertedCmyk(picture);
    return picture;
}

// The scale for a picture that is only ever reduced to at least size: the smallest of 1/2, 1/4
// and 1/8 that still covers it. libjpeg-turbo has fast reduced transforms for these three only;
// the other eighths (3/8 to 7/8) decode no faster than the whole picture, some twice as slowly.
tjscalingfactor ReducingScale(int width, int height, QSize size)
{
    tjscalingfactor best{1, 1};
    for (const tjscalingfactor f : {tjscalingfactor{1, 2}, tjscalingfactor{1, 4}, tjscalingfactor{1, 8}})
        if (TJSCALED(width, f) >= size.width() && TJSCALED(height, f) >= size.height())
            best = f;
    return best;
}

}  // namespace

QImage DecodeJpeg(const unsigned char* data, std::size_t size, int maxWidth, int maxHeight)
{
    JpegSource source = ReadJpegHeader(data, size);
    int scaledWidth, scaledHeight;
    ChooseScaledSize(source.width, source.height, maxWidth, maxHeight, scaledWidth, scaledHeight);
    return DecodeJpegAt(source, scaledWidth, scaledHeight);
}

CutPicture DecodeJpegCut(const unsigned char* data, std::size_t size, const PictureCutter& cutFor)
{
    JpegSource source = ReadJpegHeader(data, size);
    const QSize natural(source.width, source.height);
    const PictureCut cut = cutFor(natural);

    // Only a whole picture drawn smaller gains from a reduced decode; a cut-out needs every pixel.
    tjscalingfactor scale{1, 1};
    if (cut.source == QRect(QPoint(0, 0), natural))
        scale = ReducingScale(source.width, source.height, cut.size.expandedTo(QSize(0, 0)));
    const QImage decoded = DecodeJpegAt(source, TJSCALED(source.width, scale), TJSCALED(source.height, scale));

    CutPicture picture;
    picture.natural = natural;
    picture.corner = decoded.pixel(0, 0);
    const PictureCut fromDecoded = scale.denom == 1 ? cut : PictureCut{decoded.rect(), cut.size};
    if (fromDecoded == PictureCut{decoded.rect(), decoded.size()}) {
        picture.image = decoded;
        return picture;
    }
    CutCollector collector(decoded.size(), fromDecoded, false);
    for (int y = 0; y < decoded.height(); ++y)
        if (collector.Wants(y))
            collector.Put(y, reinterpret_cast<const QRgb*>(decoded.constScanLine(y)));
    picture.image = collector.TakeImage();
    return picture;
}

}  // namespace bimbalo::pictures
