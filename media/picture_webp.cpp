// WebP through libwebp. A still picture is decoded by libwebp straight to the cut: cropped to
// its source rectangle first, then reduced to its size by libwebp's own averaging scaler where
// the cut is smaller, so that neither the whole picture nor its full-size cut-out exists in
// memory. An animation gives its first frame composed on its canvas (transparent around it),
// which libwebp's animation decoder makes at full size.

#include "media/picture_common.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace bimbalo::pictures {

namespace {

// libwebp's BGRA is QImage::Format_ARGB32 in memory on a little-endian machine, ARGB on a
// big-endian one; neither is premultiplied.
constexpr WEBP_CSP_MODE kArgb32 = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_BGRA : MODE_ARGB;

std::string StatusReason(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_OK:
        return "no error";
    case VP8_STATUS_OUT_OF_MEMORY:
        return "not enough memory";
    case VP8_STATUS_INVALID_PARAM:
        return "the decoder refused its settings";
    case VP8_STATUS_BITSTREAM_ERROR:
        return "the picture data is damaged";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return "the file uses a feature the decoder does not know";
    case VP8_STATUS_SUSPENDED:
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return "the file ends early";
    case VP8_STATUS_USER_ABORT:
        return "decoding was stopped";
    }
    return "unknown error";
}

struct DemuxDeleter {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
struct AnimDecoderDeleter {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

// A chunk's payload by its FourCC; empty when the file has none.
QByteArray Chunk(const WebPDemuxer* demux, const char* fourcc)
{
    WebPChunkIterator chunk;
    QByteArray bytes;
    if (WebPDemuxGetChunk(demux, fourcc, 1, &chunk))
        bytes = QByteArray(reinterpret_cast<const char*>(chunk.chunk.bytes), static_cast<qsizetype>(chunk.chunk.size));
    WebPDemuxReleaseChunkIterator(&chunk);
    return bytes;
}

// Decodes the rectangle `source` of a still picture into `out` (of `size`: source.size() or
// smaller in both directions), straight into its pixels.
void DecodeStill(const unsigned char* data, std::size_t size, QRect source, QImage& out, bool threads)
{
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        throw PictureFault{PictureFault::OutOfMemory, "cannot start the WebP decoder"};
    config.options.use_threads = threads ? 1 : 0;
    config.options.use_cropping = 1;
    config.options.crop_left = source.x();
    config.options.crop_top = source.y();
    config.options.crop_width = source.width();
    config.options.crop_height = source.height();
    if (out.size() != source.size()) {
        config.options.use_scaling = 1;
        config.options.scaled_width = out.width();
        config.options.scaled_height = out.height();
    }
    config.output.colorspace = kArgb32;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = out.bits();
    config.output.u.RGBA.stride = static_cast<int>(out.bytesPerLine());
    config.output.u.RGBA.size = static_cast<std::size_t>(out.sizeInBytes());
    const VP8StatusCode status = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        throw PictureFault{status == VP8_STATUS_OUT_OF_MEMORY ? PictureFault::OutOfMemory : PictureFault::Damaged,
                           StatusReason(status)};
}

QRgb DecodeStillPixel(const unsigned char* data, std::size_t size, QPoint at, bool threads)
{
    QImage pixel = AllocatePicture(1, 1, QImage::Format_ARGB32);
    DecodeStill(data, size, QRect(at, QSize(1, 1)), pixel, threads);
    return pixel.pixel(0, 0);
}

CutPicture DecodeStillCut(const unsigned char* data, std::size_t size, const PictureCut& planned, QPoint cornerAt,
                          QSize natural, bool alpha, bool threads)
{
    const QImage::Format format = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    CutPicture picture;
    picture.natural = natural;
    const PictureCut cut{planned.source.intersected(QRect(QPoint(0, 0), natural)), planned.size};
    if (cut.source.isEmpty() || cut.size.isEmpty()) {
        picture.corner = DecodeStillPixel(data, size, cornerAt, threads);
        return picture;
    }
    CheckPictureSize(cut.size.width(), cut.size.height(), 4);
    const bool reduced = cut.size.width() <= cut.source.width() && cut.size.height() <= cut.source.height();
    // libwebp's BGRA always carries alpha, 255 where the picture has none.
    QImage decoded = AllocatePicture(reduced ? cut.size.width() : cut.source.width(),
                                     reduced ? cut.size.height() : cut.source.height(), QImage::Format_ARGB32);
    DecodeStill(data, size, cut.source, decoded, threads);
    decoded.reinterpretAsFormat(format);

    // The corner, where the cut has it; a reduced cut's corner is its own corner's average.
    const QRect source = cut.source;
    const bool atCorner = (cornerAt.x() == source.left() || cornerAt.x() == source.right())
                          && (cornerAt.y() == source.top() || cornerAt.y() == source.bottom());
    if (!reduced && source.contains(cornerAt))
        picture.corner = decoded.pixel(cornerAt - source.topLeft());
    else if (reduced && atCorner)
        picture.corner = decoded.pixel(cornerAt.x() == source.left() ? 0 : decoded.width() - 1,
                                       cornerAt.y() == source.top() ? 0 : decoded.height() - 1);
    else
        picture.corner = DecodeStillPixel(data, size, cornerAt, threads);
    if (!alpha)
        picture.corner |= 0xFF000000u;

    if (reduced) {
        picture.image = std::move(decoded);
        return picture;
    }
    // Enlarged in either direction: stretched here, pixel for pixel.
    CutCollector collector(decoded.size(), PictureCut{decoded.rect(), cut.size}, alpha);
    for (int y = 0; y < decoded.height(); ++y)
        if (collector.Wants(y))
            collector.Put(y, reinterpret_cast<const QRgb*>(decoded.constScanLine(y)));
    picture.image = collector.TakeImage();
    return picture;
}

CutPicture DecodeAnimationCut(const WebPData& file, const PictureCut& cut, QPoint cornerAt, QSize natural, bool threads)
{
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        throw PictureFault{PictureFault::OutOfMemory, "cannot start the WebP decoder"};
    options.color_mode = MODE_BGRA;
    options.use_threads = threads ? 1 : 0;
    const std::unique_ptr<WebPAnimDecoder, AnimDecoderDeleter> decoder(WebPAnimDecoderNew(&file, &options));
    if (!decoder)
        throw PictureFault{PictureFault::Damaged, "the animation cannot be read"};
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(decoder.get(), &info) || QSize(int(info.canvas_width), int(info.canvas_height)) != natural)
        throw PictureFault{PictureFault::Damaged, "the animation's canvas is not the file's"};
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas)
        throw PictureFault{PictureFault::Damaged, "the first frame cannot be decoded"};

    CutCollector collector(natural, cut, true, cornerAt);
    const std::size_t width = static_cast<std::size_t>(natural.width());
    std::vector<QRgb> row(width);
    for (int y = 0; y < natural.height(); ++y) {
        if (!collector.Wants(y))
            continue;
        const std::uint8_t* bgra = canvas + static_cast<std::size_t>(y) * width * 4;
        if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
            std::memcpy(row.data(), bgra, width * 4);
        } else {
            for (std::size_t x = 0; x < width; ++x)
                row[x] = qRgba(bgra[4 * x + 2], bgra[4 * x + 1], bgra[4 * x], bgra[4 * x + 3]);
        }
        collector.Put(y, row.data());
    }
    CutPicture picture;
    picture.natural = natural;
    picture.corner = collector.corner();
    picture.image = collector.TakeImage();
    return picture;
}

}  // namespace

CutPicture DecodeWebp(const unsigned char* data, std::size_t size, CutPlan& plan, bool twoThreads)
{
    // A file cut inside its header is a damaged WebP as long as what is there matches.
    if (std::memcmp(data, "RIFF", std::min<std::size_t>(size, 4)) != 0
        || (size > 8 && std::memcmp(data + 8, "WEBP", std::min<std::size_t>(size - 8, 4)) != 0))
        throw PictureFault{PictureFault::NotOfKind, "no RIFF WEBP header"};
    if (size < 12)
        throw PictureFault{PictureFault::Damaged, StatusReason(VP8_STATUS_NOT_ENOUGH_DATA)};
    // The declared size comes from the first chunk, which libwebp reads even from a file cut
    // short after it: a huge picture is refused as such before anything else.
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(data, size, &features);
    if (features.width > 0 && features.height > 0)
        CheckPictureSize(features.width, features.height, 4);
    if (status != VP8_STATUS_OK)
        throw PictureFault{PictureFault::Damaged, StatusReason(status)};

    const WebPData file{data, size};
    const std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemux(&file));
    if (!demux)
        throw PictureFault{PictureFault::Damaged, "its chunks are damaged or cut short"};
    const QSize natural(static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH)),
                        static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT)));
    CheckPictureSize(natural.width(), natural.height(), 4);
    const std::uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);

    PictureMeta meta;
    if (flags & EXIF_FLAG) {
        const QByteArray exif = Chunk(demux.get(), "EXIF");
        meta.orientation = ExifOrientation(reinterpret_cast<const unsigned char*>(exif.constData()), std::size_t(exif.size()));
    }
    if (flags & ICCP_FLAG)
        meta.iccProfile = Chunk(demux.get(), "ICCP");
    const PictureCut cut = plan.Plan(natural, std::move(meta));

    if (flags & ANIMATION_FLAG)
        return DecodeAnimationCut(file, cut, plan.corner(), natural, twoThreads);
    if (QSize(features.width, features.height) != natural)
        throw PictureFault{PictureFault::Damaged, "the picture is not the size of its canvas"};
    return DecodeStillCut(data, size, cut, plan.corner(), natural, features.has_alpha != 0, twoThreads);
}

}  // namespace bimbalo::pictures
