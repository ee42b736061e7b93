#include "media/picture_common.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <algorithm>
#include <cstring>

// libpng reports errors through a callback that must not return. Throwing a C++ exception
// from it would unwind through libpng's C frames, which are not built to be unwound and would
// leave its state half-updated, so the callback longjmps instead. Every setjmp below lives in a
// small function whose frame holds only plain data, and the only code that runs between a
// setjmp and its longjmp is libpng itself, the plain callbacks here and CutCollector::Put,
// which neither throws nor allocates: no C++ object with a destructor is ever skipped.
// Everything that owns memory (the png_struct, the row, the picture) lives in DecodePng, above
// those functions, and is released normally after they return.

namespace bimbalo::pictures {

namespace {

// The first bytes are read ahead to look at the signature and the declared size; libpng
// then gets them again before the rest of the file.
struct PngSource {
    std::FILE* file;
    unsigned char prefix[24];
    std::size_t prefixSize;
    std::size_t prefixUsed;
    char message[256];
};

struct PngHeader {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colourType;
    int channels;
    int interlace;
    bool hasAlpha;
    std::size_t rowBytes;
    // Owned by libpng's info struct.
    png_bytep exif;
    png_uint_32 exifBytes;
    png_bytep iccProfile;
    png_uint_32 iccBytes;
};

void OnPngError(png_structp png, png_const_charp message)
{
    auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(source->message, sizeof source->message, "%s", message ? message : "unknown error");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp)
{
    // Warnings are about ancillary data that is skipped anyway.
}

void OnPngRead(png_structp png, png_bytep out, std::size_t length)
{
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    const std::size_t fromPrefix = std::min(length, source->prefixSize - source->prefixUsed);
    std::memcpy(out, source->prefix + source->prefixUsed, fromPrefix);
    source->prefixUsed += fromPrefix;
    if (fromPrefix < length && std::fread(out + fromPrefix, 1, length - fromPrefix, source->file) != length - fromPrefix)
        png_error(png, std::ferror(source->file) ? "read error" : "unexpected end of file");
}

bool ReadPngHeader(png_structp png, png_infop info, PngHeader* header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->bitDepth = png_get_bit_depth(png, info);
    header->colourType = png_get_color_type(png, info);
    header->channels = png_get_channels(png, info);
    header->interlace = png_get_interlace_type(png, info);
    // Only what comes before the pixels counts: the picture is cut before the rest is read.
    if (!png_get_eXIf_1(png, info, &header->exifBytes, &header->exif))
        header->exif = nullptr;
    png_charp name = nullptr;
    int compression = 0;
    if (!png_get_iCCP(png, info, &name, &compression, &header->iccProfile, &header->iccBytes))
        header->iccProfile = nullptr;
    return true;
}

// Everything is turned into 8-bit RGBA laid out as a QImage::Format_ARGB32 pixel in memory.
bool SetUpPngTransforms(png_structp png, png_infop info, PngHeader* header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    if (header->colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (header->colourType == PNG_COLOR_TYPE_GRAY && header->bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    header->hasAlpha = (header->colourType & PNG_COLOR_MASK_ALPHA) != 0;
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png);
        header->hasAlpha = true;
    }
    if (header->bitDepth == 16)
        png_set_scale_16(png);
    if (!(header->colourType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
#else
    png_set_swap_alpha(png);
    png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
#endif
    // Interlaced pictures come pass by pass as small pictures of their own (no
    // png_set_interlace_handling), so that no pass needs the whole picture in memory.
    png_read_update_info(png, info);
    header->rowBytes = png_get_rowbytes(png, info);
    return true;
}

// Hands every row of every pass to the collector, up to the last row it wants; rows the cut does
// not sample are still decoded, since each row's filter depends on the one before. An interlaced
// picture's passes each span the whole picture, so it is read to its end.
bool ReadPngPixels(png_structp png, const PngHeader* header, CutCollector* collector, unsigned char* row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    const png_uint_32 width = header->width, height = header->height;
    const int passes = header->interlace == PNG_INTERLACE_ADAM7 ? PNG_INTERLACE_ADAM7_PASSES : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const bool interlaced = passes > 1;
        const png_uint_32 rows = interlaced ? PNG_PASS_ROWS(height, pass) : height;
        const png_uint_32 columns = interlaced ? PNG_PASS_COLS(width, pass) : width;
        // libpng skips empty passes by itself.
        if (rows == 0 || columns == 0)
            continue;
        const int firstRow = interlaced ? PNG_PASS_START_ROW(pass) : 0;
        const int rowStep = interlaced ? 1 << PNG_PASS_ROW_SHIFT(pass) : 1;
        const int firstColumn = interlaced ? PNG_PASS_START_COL(pass) : 0;
        const int columnStep = interlaced ? 1 << PNG_PASS_COL_SHIFT(pass) : 1;
        for (png_uint_32 i = 0; i < rows; ++i) {
            const int y = firstRow + static_cast<int>(i) * rowStep;
            auto* direct = interlaced ? nullptr : collector->DirectRow(y);
            auto* out = direct ? reinterpret_cast<unsigned char*>(direct) : row;
            png_read_row(png, out, nullptr);
            collector->Put(y, reinterpret_cast<const QRgb*>(out), firstColumn, columnStep);
            if (!interlaced && y >= collector->LastWantedRow() && y + 1 < static_cast<int>(height))
                return true;
        }
    }
    png_read_end(png, nullptr);
    return true;
}

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

}  // namespace

CutPicture DecodePng(std::FILE* file, CutPlan& plan)
{
    PngSource source{file, {}, 0, 0, {}};
    source.prefixSize = std::fread(source.prefix, 1, sizeof source.prefix, file);
    const unsigned char* data = source.prefix;
    const std::size_t size = source.prefixSize;
    const bool startsLikePng = size >= 8 && png_sig_cmp(data, 0, 8) == 0;

    // The declared size is checked straight from the IHDR bytes as well, so that a file that
    // is nothing but a huge header is refused as too large rather than as damaged.
    if (startsLikePng && size >= 24 && std::memcmp(data + 12, "IHDR", 4) == 0) {
        const auto bigEndian = [&](std::size_t at) {
            return std::int64_t{data[at]} << 24 | std::int64_t{data[at + 1]} << 16 | std::int64_t{data[at + 2]} << 8
                   | std::int64_t{data[at + 3]};
        };
        const std::int64_t width = bigEndian(16), height = bigEndian(20);
        if (width > 0 && height > 0)
            CheckPictureSize(width, height, 4);
    }

    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnPngError, OnPngWarning);
    if (!reader.png)
        throw PictureFault{PictureFault::OutOfMemory, "cannot start the PNG decoder"};
    reader.info = png_create_info_struct(reader.png);
    if (!reader.info)
        throw PictureFault{PictureFault::OutOfMemory, "cannot start the PNG decoder"};
    png_set_read_fn(reader.png, &source, OnPngRead);
    // The area limit is checked below; these keep libpng from growing anything else without bound.
    png_set_user_limits(reader.png, static_cast<png_uint_32>(kMaxPixels), static_cast<png_uint_32>(kMaxPixels));
    png_set_chunk_cache_max(reader.png, 1000);
    png_set_chunk_malloc_max(reader.png, 16 * 1024 * 1024);

    PngHeader header{};
    if (!ReadPngHeader(reader.png, reader.info, &header)) {
        if (!startsLikePng)
            throw PictureFault{PictureFault::NotOfKind, source.message};
        if (std::strstr(source.message, "exceeds user limit"))
            throw PictureFault{PictureFault::TooLarge, source.message};
        throw PictureFault{PictureFault::Damaged, source.message};
    }
    const int sourceBytesPerPixel = (header.channels * header.bitDepth + 7) / 8;
    CheckPictureSize(header.width, header.height, sourceBytesPerPixel > 4 ? sourceBytesPerPixel : 4);

    if (!SetUpPngTransforms(reader.png, reader.info, &header))
        throw PictureFault{PictureFault::Damaged, source.message};
    if (header.rowBytes != std::size_t{header.width} * 4)
        throw PictureFault{PictureFault::Damaged, "unexpected row layout after conversion"};

    PictureMeta meta;
    if (header.exif)
        meta.orientation = ExifOrientation(header.exif, header.exifBytes);
    if (header.iccProfile)
        meta.iccProfile = QByteArray(reinterpret_cast<const char*>(header.iccProfile), static_cast<qsizetype>(header.iccBytes));
    CutPicture picture;
    picture.natural = QSize(static_cast<int>(header.width), static_cast<int>(header.height));
    const PictureCut cut = plan.Plan(picture.natural, std::move(meta));
    CutCollector collector(picture.natural, cut, header.hasAlpha, plan.corner());
    // Not zeroed: libpng writes the whole row before anything reads it.
    const std::unique_ptr<unsigned char[]> row(new unsigned char[header.rowBytes]);
    if (!ReadPngPixels(reader.png, &header, &collector, row.get()))
        throw PictureFault{PictureFault::Damaged, source.message};
    picture.corner = collector.corner();
    picture.image = collector.TakeImage();
    return picture;
}

}  // namespace bimbalo::pictures
