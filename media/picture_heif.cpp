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
#include <memory>
#include <string>
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
