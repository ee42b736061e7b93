#include "media/picture_common.h"

#include <turbojpeg.h>
// jpeglib.h wants size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
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
tjscalingfactor ChooseScale(int width, int height, int maxWidth, int maxHeight)
{
    tjscalingfactor best{1, 1};
    if (maxWidth <= 0 || maxHeight <= 0 || (width <= maxWidth && height <= maxHeight))
        return best;
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
        if (w >= fitWidth && h >= fitHeight && w < TJSCALED(width, best))
            best = f;
    }
    return best;
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

// ---- Decoding a large picture on two threads ----
//
// Most of a JPEG's decoding time goes into its entropy-coded data, which can only be read from
// the start. A reduced decode saves the rest of the work but not that part. With two threads a
// picture is split in two: one decodes the top rows, the other reads past them (entropy data
// only, which jpeg_skip_scanlines does without the transforms) and decodes the bottom rows.

struct RowsDecoderErrors {
    jpeg_error_mgr manager;  // first, so that libjpeg's pointer is one to this struct
    std::jmp_buf failed;
    char reason[JMSG_LENGTH_MAX] = {};
    char damage[JMSG_LENGTH_MAX] = {};  // the first warning that makes the file damaged
};

[[noreturn]] void OnRowsDecoderError(j_common_ptr decoder)
{
    auto* errors = reinterpret_cast<RowsDecoderErrors*>(decoder->err);
    decoder->err->format_message(decoder, errors->reason);
    std::longjmp(errors->failed, 1);
}

void OnRowsDecoderMessage(j_common_ptr decoder, int level)
{
    if (level >= 0)
        return;  // trace messages
    auto* errors = reinterpret_cast<RowsDecoderErrors*>(decoder->err);
    ++decoder->err->num_warnings;
    char message[JMSG_LENGTH_MAX];
    decoder->err->format_message(decoder, message);
    if (errors->damage[0] == '\0' && !IsHarmlessWarning(message))
        std::memcpy(errors->damage, message, sizeof message);
}

jpeg_error_mgr* RowsDecoderErrorsFor(RowsDecoderErrors& errors)
{
    jpeg_error_mgr* manager = jpeg_std_error(&errors.manager);
    manager->error_exit = OnRowsDecoderError;
    manager->emit_message = OnRowsDecoderMessage;
    return manager;
}

// What one thread's share of the picture came to.
struct RowsOutcome {
    bool done = false;
    std::string reason;
};

struct RowsTarget {
    unsigned char* bits;
    std::size_t bytesPerLine;
    int width;
    int height;
    tjscalingfactor scale;
    J_COLOR_SPACE colourSpace;
};

// Decodes rows [first, last) of the picture in memory into target, reading past the rows above.
// Kept free of objects with destructors: libjpeg reports errors by longjmp.
void DecodeRows(const unsigned char* data, unsigned long size, const RowsTarget& target, int first, int last,
                RowsOutcome& outcome)
{
    jpeg_decompress_struct decoder;
    RowsDecoderErrors errors;
    decoder.err = RowsDecoderErrorsFor(errors);
    if (setjmp(errors.failed)) {
        jpeg_destroy_decompress(&decoder);
        outcome.reason = errors.reason;
        return;
    }
    jpeg_create_decompress(&decoder);
    jpeg_mem_src(&decoder, data, size);
    jpeg_read_header(&decoder, TRUE);
    decoder.scale_num = static_cast<unsigned>(target.scale.num);
    decoder.scale_denom = static_cast<unsigned>(target.scale.denom);
    decoder.out_color_space = target.colourSpace;
    jpeg_start_decompress(&decoder);
    if (static_cast<int>(decoder.output_width) != target.width || static_cast<int>(decoder.output_height) != target.height) {
        jpeg_destroy_decompress(&decoder);
        outcome.reason = "the decoder chose another size";
        return;
    }
    if (first > 0 && jpeg_skip_scanlines(&decoder, static_cast<JDIMENSION>(first)) != static_cast<JDIMENSION>(first)) {
        jpeg_destroy_decompress(&decoder);
        outcome.reason = "the decoder could not read past the top rows";
        return;
    }
    constexpr int kRowsAtOnce = 16;
    JSAMPROW rows[kRowsAtOnce];
    while (static_cast<int>(decoder.output_scanline) < last) {
        const int y = static_cast<int>(decoder.output_scanline);
        const int count = std::min(kRowsAtOnce, last - y);
        for (int i = 0; i < count; ++i)
            rows[i] = target.bits + static_cast<std::size_t>(y + i) * target.bytesPerLine;
        if (jpeg_read_scanlines(&decoder, rows, static_cast<JDIMENSION>(count)) == 0)
            break;
    }
    if (decoder.output_scanline == decoder.output_height)
        jpeg_finish_decompress(&decoder);
    else
        jpeg_abort_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    if (errors.damage[0] != '\0') {
        outcome.reason = errors.damage;
        return;
    }
    outcome.done = true;
}

// Whether a picture is worth two threads: a single-scan (baseline) file of at least two million
// decoded pixels, on a machine with a second core. A progressive file has to be read whole
// before its first row comes out, which leaves nothing to share.
bool WorthTwoThreads(const unsigned char* data, unsigned long size, int width, int height)
{
    if (std::int64_t{width} * height < 2'000'000 || height < 64 || std::thread::hardware_concurrency() < 2)
        return false;
    jpeg_decompress_struct decoder;
    RowsDecoderErrors errors;
    decoder.err = RowsDecoderErrorsFor(errors);
    if (setjmp(errors.failed)) {
        jpeg_destroy_decompress(&decoder);
        return false;
    }
    jpeg_create_decompress(&decoder);
    jpeg_mem_src(&decoder, data, size);
    const bool worth = jpeg_read_header(&decoder, TRUE) == JPEG_HEADER_OK && !jpeg_has_multiple_scans(&decoder)
        && decoder.jpeg_color_space != JCS_CMYK && decoder.jpeg_color_space != JCS_YCCK;
    jpeg_destroy_decompress(&decoder);
    return worth;
}

// Decodes into picture on two threads; false when the second thread cannot be had, leaving the
// picture to the one-thread decoder. Throws PictureFault for a damaged file.
bool DecodeOnTwoThreads(const JpegSource& source, tjscalingfactor scale, QImage& picture)
{
    const RowsTarget target{picture.bits(), static_cast<std::size_t>(picture.bytesPerLine()), picture.width(),
                            picture.height(), scale, Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB};
    // The lower part's thread first reads the upper part's entropy data, which is most of the work
    // of decoding it (three quarters at half size), so the upper part takes four fifths of the rows.
    const int split = target.height * 4 / 5;
    RowsOutcome top, bottom;
    try {
        std::thread lower([&] { DecodeRows(source.data, source.size, target, split, target.height, bottom); });
        DecodeRows(source.data, source.size, target, 0, split, top);
        lower.join();
    } catch (const std::system_error&) {
        return false;
    }
    for (const RowsOutcome* part : {&top, &bottom})
        if (!part->done)
            throw PictureFault{PictureFault::Damaged, part->reason};
    return true;
}

QImage DecodeJpegAt(JpegSource& source, tjscalingfactor scale, bool twoThreads = true)
{
    const int width = TJSCALED(source.width, scale), height = TJSCALED(source.height, scale);
    QImage picture = AllocatePicture(width, height, QImage::Format_RGB32);
    if (twoThreads && !source.cmyk && WorthTwoThreads(source.data, source.size, width, height)
        && DecodeOnTwoThreads(source, scale, picture))
        return picture;

    // libjpeg-turbo cannot turn CMYK into RGB; it hands the four channels over and they are
    // converted below, in the same four bytes per pixel.
    const int pixelFormat = source.cmyk ? TJPF_CMYK : (Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB);

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

// Decodes rows from..to (inclusive) of the columns [left, right) (libjpeg widens them to whole
// blocks), handing each row to the collector, and stops there. `row` holds a whole row of the
// picture; column x lands at row[x]. Kept free of objects with destructors: libjpeg reports
// errors by longjmp, and CutCollector::Put neither throws nor allocates.
struct RegionRows {
    int left, right, from, to;
};

void DecodeRegionRows(const unsigned char* data, unsigned long size, const RegionRows* region,
                      CutCollector* collector, QRgb* row, RowsOutcome* outcome)
{
    jpeg_decompress_struct decoder;
    RowsDecoderErrors errors;
    decoder.err = RowsDecoderErrorsFor(errors);
    if (setjmp(errors.failed)) {
        jpeg_destroy_decompress(&decoder);
        outcome->reason = errors.reason;
        return;
    }
    jpeg_create_decompress(&decoder);
    jpeg_mem_src(&decoder, data, size);
    jpeg_read_header(&decoder, TRUE);
    decoder.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    jpeg_start_decompress(&decoder);
    JDIMENSION offset = static_cast<JDIMENSION>(region->left);
    JDIMENSION width = static_cast<JDIMENSION>(region->right - region->left);
    jpeg_crop_scanline(&decoder, &offset, &width);
    // Rows right after a skip may come out slightly otherwise than in a whole decode, where the
    // upsampling sees the block row above: the skip stops one block row short and decodes that.
    const int blockRows = decoder.max_v_samp_factor * decoder.min_DCT_scaled_size;
    const int skip = std::max(0, (region->from / blockRows - 1) * blockRows);
    if (skip > 0 && jpeg_skip_scanlines(&decoder, static_cast<JDIMENSION>(skip)) != static_cast<JDIMENSION>(skip)) {
        jpeg_destroy_decompress(&decoder);
        outcome->reason = "the decoder could not read past the top rows";
        return;
    }
    JSAMPROW rows[1] = {reinterpret_cast<JSAMPROW>(row + offset)};
    while (static_cast<int>(decoder.output_scanline) <= region->to) {
        const int y = static_cast<int>(decoder.output_scanline);
        if (jpeg_read_scanlines(&decoder, rows, 1) != 1)
            break;
        collector->Put(y, row);
    }
    const bool complete = static_cast<int>(decoder.output_scanline) > region->to;
    if (decoder.output_scanline == decoder.output_height)
        jpeg_finish_decompress(&decoder);
    else
        jpeg_abort_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    if (errors.damage[0] != '\0')
        outcome->reason = errors.damage;
    else if (!complete)
        outcome->reason = "the file ends before the rows that are shown";
    else
        outcome->done = true;
}

// A cut-out of a picture at its own size, and its corner: only the columns and rows that hold
// them are decoded, and nothing below the last of them.
void DecodeJpegRegion(const JpegSource& source, const PictureCut& cut, QPoint cornerAt, CutPicture& picture)
{
    const QRect corner(cornerAt, QSize(1, 1));
    const QRect wanted = cut.source.isEmpty() ? corner : cut.source.united(corner);
    // A block more on either side: the upsampling of the edge columns needs their neighbours,
    // or they come out slightly otherwise than in a whole decode.
    constexpr int kContext = 16;
    const RegionRows region{std::max(0, wanted.left() - kContext), std::min(source.width, wanted.left() + wanted.width() + kContext),
                            wanted.top(), wanted.top() + wanted.height() - 1};
    CutCollector collector(QSize(source.width, source.height), cut, false, cornerAt);
    const std::unique_ptr<QRgb[]> row(new QRgb[static_cast<std::size_t>(source.width)]);
    RowsOutcome outcome;
    DecodeRegionRows(source.data, source.size, &region, &collector, row.get(), &outcome);
    if (!outcome.done)
        throw PictureFault{PictureFault::Damaged, outcome.reason};
    picture.corner = collector.corner();
    picture.image = collector.TakeImage();
}

}  // namespace

QImage DecodeJpeg(const unsigned char* data, std::size_t size, int maxWidth, int maxHeight)
{
    JpegSource source = ReadJpegHeader(data, size);
    return DecodeJpegAt(source, ChooseScale(source.width, source.height, maxWidth, maxHeight));
}

CutPicture DecodeJpegCut(const unsigned char* data, std::size_t size, CutPlan& plan, bool twoThreads)
{
    JpegSource source = ReadJpegHeader(data, size);
    const QSize natural(source.width, source.height);
    const PictureCut cut = plan.Plan(natural, ReadJpegMetadata(data, size));
    const QPoint cornerAt = plan.corner();

    CutPicture picture;
    picture.natural = natural;
    // A cut-out needs every pixel of its part only: those rows and columns are all it decodes.
    const bool whole = cut.source == QRect(QPoint(0, 0), natural);
    if (!whole && !source.cmyk) {
        DecodeJpegRegion(source, cut, cornerAt, picture);
        return picture;
    }

    // Only a whole picture drawn smaller gains from a reduced decode.
    tjscalingfactor scale{1, 1};
    if (whole)
        scale = ReducingScale(source.width, source.height, cut.size.expandedTo(QSize(0, 0)));
    const QImage decoded = DecodeJpegAt(source, scale, twoThreads);

    // The corner of a reduced picture is the reduced picture's corner.
    picture.corner = decoded.pixel(cornerAt.x() == 0 ? 0 : decoded.width() - 1, cornerAt.y() == 0 ? 0 : decoded.height() - 1);
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
