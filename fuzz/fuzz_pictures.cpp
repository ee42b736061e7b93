// Feeds arbitrary bytes to each picture decoder, whole and cut. The first byte picks the
// decoder and the cut; every outcome other than a picture or a refusal (a crash, a sanitizer
// report, a hang) is a bug. A PNG or BMP decoded with a cut must also give exactly the whole
// picture's pixels under that cut, and fail exactly when the whole picture fails.

#include "media/picture_common.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>

namespace {

using namespace bimbalo::pictures;

// Pictures past these are left alone, so that each run stays quick.
constexpr std::int64_t kWholeLimit = 4'000'000, kCutLimit = 25'000'000;
struct TooLargeToFuzz {};

PictureCut Cut(int kind, QSize natural)
{
    const QRect whole(QPoint(0, 0), natural);
    switch (kind) {
    case 0:
        return {whole, natural};
    case 1:  // reduced, or enlarged when small, out of proportion
        return {whole, QSize(64, 48)};
    case 2:  // a window at natural size
        return {QRect(natural.width() / 3, natural.height() / 3, 40, 30).intersected(whole),
                QRect(natural.width() / 3, natural.height() / 3, 40, 30).intersected(whole).size()};
    default:  // nothing kept
        return {whole, QSize(natural.width(), 0)};
    }
}

PictureCutter Cutter(int kind, std::int64_t limit)
{
    return [kind, limit](QSize natural) {
        if (std::int64_t{natural.width()} * natural.height() > limit)
            throw TooLargeToFuzz{};
        return Cut(kind, natural);
    };
}

// The cut of a whole picture as StretchNearest takes it.
QImage Sample(const QImage& whole, const PictureCut& cut)
{
    if (cut.source.isEmpty() || cut.size.isEmpty())
        return QImage();
    QImage out(cut.size, QImage::Format_RGB32);
    const std::int64_t sw = cut.source.width(), sh = cut.source.height(), tw = cut.size.width(), th = cut.size.height();
    for (std::int64_t y = 0; y < th; ++y)
        for (std::int64_t x = 0; x < tw; ++x)
            out.setPixel(int(x), int(y),
                         whole.pixel(cut.source.x() + int(((2 * x + 1) * sw) / (2 * tw)),
                                     cut.source.y() + int(((2 * y + 1) * sh) / (2 * th))));
    return out;
}

std::optional<CutPicture> Decode(int decoder, const std::uint8_t* data, std::size_t size, const PictureCutter& cutter)
{
    try {
        if (decoder == 0)
            return DecodeJpegCut(data, size, cutter);
        // fmemopen refuses an empty buffer.
        std::unique_ptr<std::FILE, FileCloser> file(size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "rb") : nullptr);
        if (!file)
            return std::nullopt;
        return decoder == 1 ? DecodePng(file.get(), cutter) : DecodeBmp(file.get(), cutter);
    } catch (const PictureFault&) {
    } catch (const std::bad_alloc&) {
    }
    return std::nullopt;
}

void CheckShape(const std::optional<CutPicture>& picture)
{
    if (picture && !picture->image.isNull() && picture->image.format() != QImage::Format_RGB32)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t selector = data[0];
    ++data;
    --size;
    const int decoder = selector % 4;
    const int cut = (selector / 4) % 4;
    try {
        if (decoder == 3) {
            // The reduced decode that LoadPictureScaled uses.
            const QImage picture = DecodeJpeg(data, size, cut == 0 ? 0 : 64, 48);
            if (picture.isNull() || picture.format() != QImage::Format_RGB32)
                __builtin_trap();
            return 0;
        }
        const std::optional<CutPicture> part = Decode(decoder, data, size, Cutter(cut, kCutLimit));
        CheckShape(part);
        if (decoder == 0 || cut == 0)
            return 0;
        const std::optional<CutPicture> whole = Decode(decoder, data, size, Cutter(0, kWholeLimit));
        CheckShape(whole);
        if (part.has_value() != whole.has_value())
            __builtin_trap();
        if (whole && (part->natural != whole->natural || part->corner != whole->corner
                      || part->image != Sample(whole->image, Cut(cut, whole->natural))))
            __builtin_trap();
    } catch (const PictureFault&) {
    } catch (const std::bad_alloc&) {
    } catch (const TooLargeToFuzz&) {
    }
    return 0;
}
