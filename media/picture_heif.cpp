// HEIF and AVIF through libheif (HEVC through libde265, AV1 through dav1d or libaom): the
// file's primary image. libheif applies the file's own transformations (its crop, rotation and
// mirror) as it decodes, which is how the HEIF format turns a picture; an EXIF block it may
// also carry is left alone, since writers that set both mean the same turn by them. libheif
// decodes the whole picture, so only its declared size is checked beforehand; its rows are cut
// as they are copied out.

#include "media/picture_common.h"

#include <libheif/heif.h>

#include <QColorSpace>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace bimbalo::pictures {

namespace {

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

[[noreturn]] void Fail(const heif_error& error)
{
    std::string reason = error.message && *error.message ? error.message : "unknown error";
    if (error.code == heif_error_Memory_allocation_error && error.subcode == heif_suberror_Security_limit_exceeded)
        throw PictureFault{PictureFault::TooLarge, reason};
    if (error.code == heif_error_Memory_allocation_error)
        throw PictureFault{PictureFault::OutOfMemory, "not enough memory"};
    throw PictureFault{PictureFault::Damaged, reason};
}

void Check(const heif_error& error)
{
    if (error.code != heif_error_Ok)
        Fail(error);
}

// The colour profile: an ICC profile as it is stored, or for an nclx box naming Display P3's
// primaries, Display P3's own profile. Other nclx spaces are taken as sRGB.
QByteArray ColourProfile(const heif_image_handle* handle)
{
    switch (heif_image_handle_get_color_profile_type(handle)) {
    case heif_color_profile_type_prof:
    case heif_color_profile_type_rICC: {
        const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle);
        if (size == 0 || size > 64 * 1024 * 1024)
            return {};
        QByteArray profile(static_cast<qsizetype>(size), Qt::Uninitialized);
        if (heif_image_handle_get_raw_color_profile(handle, profile.data()).code != heif_error_Ok)
            return {};
        return profile;
    }
    case heif_color_profile_type_nclx: {
        // libheif hands over the profile it made even when it then refuses one of its values.
        heif_color_profile_nclx* nclx = nullptr;
        const bool read = heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok;
        const bool p3 = read && nclx && nclx->color_primaries == heif_color_primaries_SMPTE_EG_432_1;
        heif_nclx_color_profile_free(nclx);
        return p3 ? QColorSpace(QColorSpace::DisplayP3).iccProfile() : QByteArray();
    }
    default:
        return {};
    }
}

// ---- The canvases of derived pictures ----
// A grid ('grid') or an overlay ('iovl') is drawn on a canvas whose size is in its own item data,
// not in its declared size, and libheif allocates that canvas before it lays a tile on it. So the
// file's boxes are walked here, only as far as those sizes: every grid and overlay item, not only
// the primary one, since one derived picture may be made of others. What cannot be read here is
// left to libheif, which refuses it on its own.

class BoxReader {
public:
    BoxReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool Has(std::size_t bytes) const { return bytes <= size_ - at_; }
    std::uint64_t Read(int bytes)
    {
        if (bytes <= 0 || !Has(std::size_t(bytes))) {
            at_ = size_;
            failed_ = true;
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | data_[at_++];
        return value;
    }
    void Skip(std::size_t bytes) { at_ = Has(bytes) ? at_ + bytes : size_; }
    bool failed() const { return failed_; }
    std::size_t at() const { return at_; }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool failed_ = false;
};

struct Box {
    std::uint32_t type = 0;
    std::size_t start = 0;  // of the payload, from the start of the enclosing data
    std::size_t size = 0;   // of the payload
};

constexpr std::uint32_t FourCc(const char (&name)[5])
{
    return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16
         | std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint32_t(std::uint8_t(name[3]));
}

// The boxes directly inside data[0, size), as far as they are whole.
std::vector<Box> ChildBoxes(const unsigned char* data, std::size_t size)
{
    std::vector<Box> boxes;
    BoxReader in(data, size);
    while (in.Has(8) && boxes.size() < 10000) {
        const std::size_t start = in.at();
        std::uint64_t length = in.Read(4);
        const auto type = std::uint32_t(in.Read(4));
        if (length == 1)
            length = in.Read(8);
        else if (length == 0)
            length = size - start;
        const std::size_t header = in.at() - start;
        if (in.failed() || length < header || length > size - start)
            break;
        boxes.push_back({type, start + header, std::size_t(length) - header});
        in.Skip(std::size_t(length) - header);
    }
    return boxes;
}

struct ItemPlace {
    int method = 0;               // 0: in the file, 1: in the idat box
    std::uint64_t offset = 0;     // of the first extent, the base offset included
    std::uint64_t length = 0;     // of the first extent; 0: to the end
};

// Every grid and overlay canvas in the file's meta box.
std::vector<QSize> DerivedCanvases(const unsigned char* data, std::size_t size)
{
    const Box* meta = nullptr;
    const std::vector<Box> top = ChildBoxes(data, size);
    for (const Box& box : top)
        if (box.type == FourCc("meta") && box.size >= 4)
            meta = &box;
    if (!meta)
        return {};
    const unsigned char* metaData = data + meta->start + 4;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> derived;  // item id, its type
    std::vector<std::pair<std::uint32_t, ItemPlace>> places;
    const unsigned char* idat = nullptr;
    std::size_t idatSize = 0;
    for (const Box& box : ChildBoxes(metaData, meta->size - 4)) {
        const unsigned char* payload = metaData + box.start;
        if (box.type == FourCc("idat")) {
            idat = payload;
            idatSize = box.size;
        } else if (box.type == FourCc("iinf") && box.size >= 4) {
            BoxReader in(payload, box.size);
            const int version = int(in.Read(1));
            in.Skip(3);
            in.Skip(version == 0 ? 2 : 4);
            for (const Box& entry : ChildBoxes(payload + in.at(), box.size - in.at())) {
                if (entry.type != FourCc("infe"))
                    continue;
                BoxReader item(payload + in.at() + entry.start, entry.size);
                const int itemVersion = int(item.Read(1));
                item.Skip(3);
                if (itemVersion < 2)
                    continue;
                const auto id = std::uint32_t(item.Read(itemVersion == 2 ? 2 : 4));
                item.Skip(2);
                const auto type = std::uint32_t(item.Read(4));
                if (!item.failed() && (type == FourCc("grid") || type == FourCc("iovl")))
                    derived.emplace_back(id, type);
            }
        } else if (box.type == FourCc("iloc") && box.size >= 4) {
            BoxReader in(payload, box.size);
            const int version = int(in.Read(1));
            in.Skip(3);
            const int sizes = int(in.Read(1)), moreSizes = int(in.Read(1));
            const int offsetSize = sizes >> 4, lengthSize = sizes & 15, baseSize = moreSizes >> 4;
            const int indexSize = version >= 1 ? moreSizes & 15 : 0;
            const std::uint64_t count = in.Read(version < 2 ? 2 : 4);
            for (std::uint64_t i = 0; i < count && !in.failed(); ++i) {
                const auto id = std::uint32_t(in.Read(version < 2 ? 2 : 4));
                ItemPlace place;
                if (version >= 1)
                    place.method = int(in.Read(2) & 15);
                in.Skip(2);
                const std::uint64_t base = baseSize ? in.Read(baseSize) : 0;
                const std::uint64_t extents = in.Read(2);
                for (std::uint64_t e = 0; e < extents && !in.failed(); ++e) {
                    if (indexSize)
                        in.Read(indexSize);
                    const std::uint64_t offset = offsetSize ? in.Read(offsetSize) : 0;
                    const std::uint64_t length = lengthSize ? in.Read(lengthSize) : 0;
                    if (e == 0) {
                        place.offset = base + offset;
                        place.length = length;
                    }
                }
                if (!in.failed() && extents > 0)
                    places.emplace_back(id, place);
            }
        }
    }

    std::vector<QSize> canvases;
    for (const auto& [id, type] : derived)
        for (const auto& [placeId, place] : places) {
            if (placeId != id)
                continue;
            const unsigned char* from = place.method == 0 ? data : place.method == 1 ? idat : nullptr;
            const std::size_t fromSize = place.method == 0 ? size : idatSize;
            if (!from || place.offset >= fromSize)
                continue;
            std::uint64_t length = fromSize - place.offset;
            if (place.length != 0)
                length = std::min(length, place.length);
            BoxReader in(from + place.offset, std::size_t(length));
            in.Skip(1);  // version
            const int field = (in.Read(1) & 1) ? 4 : 2;
            in.Skip(type == FourCc("grid") ? 2 : 8);  // the rows and columns, or the background colour
            const auto width = std::int64_t(in.Read(field)), height = std::int64_t(in.Read(field));
            if (!in.failed())
                canvases.emplace_back(int(std::min<std::int64_t>(width, INT_MAX)), int(std::min<std::int64_t>(height, INT_MAX)));
        }
    return canvases;
}

}  // namespace

CutPicture DecodeHeif(const unsigned char* data, std::size_t size, CutPlan& plan, bool twoThreads)
{
    if (heif_check_filetype(data, static_cast<int>(std::min<std::size_t>(size, INT_MAX))) == heif_filetype_no)
        throw PictureFault{PictureFault::NotOfKind, "no HEIF file type box"};
    const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context)
        throw PictureFault{PictureFault::OutOfMemory, "cannot start the HEIF decoder"};
    // Without threads of its own, libheif decodes a tiled picture's tiles one after the other.
    if (!twoThreads)
        heif_context_set_max_decoding_threads(context.get(), 0);
    Check(heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr));

    heif_image_handle* primary = nullptr;
    Check(heif_context_get_primary_image_handle(context.get(), &primary));
    const std::unique_ptr<heif_image_handle, HandleRelease> handle(primary);
    // The stored size (ispe) and the size shown after the transformations, both before decoding.
    CheckPictureSize(heif_image_handle_get_ispe_width(handle.get()), heif_image_handle_get_ispe_height(handle.get()), 4);
    CheckPictureSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()), 4);
    for (const QSize& canvas : DerivedCanvases(data, size))
        if (std::uint64_t(std::max(canvas.width(), 0)) * std::uint64_t(std::max(canvas.height(), 0)) > kMaxPixels)
            throw PictureFault{PictureFault::TooLarge, "a canvas of " + std::to_string(canvas.width()) + " x "
                                                           + std::to_string(canvas.height())
                                                           + " pixels in it is more than the 100 megapixels allowed"};
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;

    const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options)
        throw PictureFault{PictureFault::OutOfMemory, "cannot start the HEIF decoder"};
    options->convert_hdr_to_8bit = 1;
    heif_image* decodedImage = nullptr;
    Check(heif_decode_image(handle.get(), &decodedImage, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get()));
    const std::unique_ptr<heif_image, ImageRelease> image(decodedImage);

    int stride = 0;
    const std::uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    const int channels = alpha ? 4 : 3;
    if (!pixels || width <= 0 || height <= 0 || stride < width * channels
        || heif_image_get_bits_per_pixel(image.get(), heif_channel_interleaved) != 8 * channels)
        throw PictureFault{PictureFault::Damaged, "the decoder gave no picture"};
    CheckPictureSize(width, height, 4);
    const bool premultiplied = alpha && heif_image_is_premultiplied_alpha(image.get());

    PictureMeta meta;
    meta.iccProfile = ColourProfile(handle.get());
    CutPicture picture;
    picture.natural = QSize(width, height);
    const PictureCut cut = plan.Plan(picture.natural, std::move(meta));
    CutCollector collector(picture.natural, cut, alpha, plan.corner());
    std::vector<QRgb> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        if (!collector.Wants(y))
            continue;
        const std::uint8_t* in = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        for (int x = 0; x < width; ++x, in += channels) {
            const int a = alpha ? in[3] : 255;
            if (premultiplied && a > 0 && a < 255)
                row[std::size_t(x)] = qUnpremultiply(qRgba(std::min<int>(in[0], a), std::min<int>(in[1], a), std::min<int>(in[2], a), a));
            else
                row[std::size_t(x)] = qRgba(in[0], in[1], in[2], a);
        }
        collector.Put(y, row.data());
    }
    picture.corner = collector.corner();
    picture.image = collector.TakeImage();
    return picture;
}

}  // namespace bimbalo::pictures
