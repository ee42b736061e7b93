#pragma once

// The checks that the WebP, GIF and HEIF fuzzers share. The first byte picks the cut; the rest
// is the file. Every outcome other than a picture or a refusal (a crash, a sanitizer report, a
// hang) is a bug. Besides, the cut must be of the size asked for, give the whole picture's
// natural size and corner, and succeed whenever the whole picture does; where the decoder
// samples rows and columns of the whole picture (exact), its pixels must be exactly the whole
// picture's under the cut.

#include "media/picture_common.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <optional>

namespace fuzz_cuts {

using namespace bimbalo::pictures;

// Pictures past these are left alone, so that each run stays quick.
constexpr std::int64_t kWholeLimit = 4'000'000;
struct TooLargeToFuzz {};

inline PictureCut Cut(int kind, QSize natural)
{
    const QRect whole(QPoint(0, 0), natural);
    const QRect window = QRect(natural.width() / 3, natural.height() / 3, 40, 30).intersected(whole);
    switch (kind) {
    case 0:
        return {whole, natural};
    case 1:  // reduced, or enlarged when small, out of proportion
        return {whole, QSize(64, 48)};
    case 2:  // a window at natural size
        return {window, window.size()};
    case 3:  // a window enlarged
        return {window, window.size() * 2};
    default:  // nothing kept
        return {whole, QSize(natural.width(), 0)};
    }
}

inline QImage Sample(const QImage& whole, const PictureCut& cut)
{
    if (cut.source.isEmpty() || cut.size.isEmpty())
        return QImage();
    QImage out(cut.size, whole.format());
    const std::int64_t sw = cut.source.width(), sh = cut.source.height(), tw = cut.size.width(), th = cut.size.height();
    for (std::int64_t y = 0; y < th; ++y)
        for (std::int64_t x = 0; x < tw; ++x)
            out.setPixel(int(x), int(y), whole.pixel(cut.source.x() + int(((2 * x + 1) * sw) / (2 * tw)),
                                                     cut.source.y() + int(((2 * y + 1) * sh) / (2 * th))));
    return out;
}

using Decoder = std::function<CutPicture(const std::uint8_t* data, std::size_t size, CutPlan& plan)>;

struct Decoded {
    CutPicture picture;  // as stored
    int orientation = 1;
};

inline std::optional<Decoded> Decode(const Decoder& decode, const std::uint8_t* data, std::size_t size, int cut)
{
    const PictureCutter cutter = [cut](QSize natural) {
        if (std::int64_t{natural.width()} * natural.height() > kWholeLimit)
            throw TooLargeToFuzz{};
        return Cut(cut, natural);
    };
    try {
        CutPlan plan(cutter);
        Decoded decoded;
        decoded.picture = decode(data, size, plan);
        decoded.orientation = plan.meta().orientation;
        const QImage::Format format = decoded.picture.image.format();
        if (!decoded.picture.image.isNull() && format != QImage::Format_RGB32 && format != QImage::Format_ARGB32)
            __builtin_trap();
        return decoded;
    } catch (const PictureFault&) {
    } catch (const std::bad_alloc&) {
    }
    return std::nullopt;
}

// exact: whether the cut's pixels are the whole picture's sampled.
inline int Run(const Decoder& decode, bool exact, const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int cut = data[0] % 5;
    ++data;
    --size;
    try {
        const std::optional<Decoded> part = Decode(decode, data, size, cut);
        if (cut == 0)
            return 0;
        const std::optional<Decoded> whole = Decode(decode, data, size, 0);
        if (whole && !part)
            __builtin_trap();
        if (!whole || !part)
            return 0;
        const CutPicture& p = part->picture;
        const CutPicture& w = whole->picture;
        if (p.natural != w.natural || p.natural != w.image.size())
            __builtin_trap();
        // The cut as the plan turned it into the stored picture.
        const PictureCut stored = [&] {
            const PictureCutter shownCut = [&](QSize) { return Cut(cut, OrientedSize(w.natural, part->orientation)); };
            CutPlan plan(shownCut);
            PictureMeta meta;
            meta.orientation = part->orientation;
            return plan.Plan(w.natural, meta);
        }();
        const QImage expected = Sample(w.image, stored);
        if (p.image.size() != expected.size())
            __builtin_trap();
        if (exact && (p.image != expected || p.corner != w.corner))
            __builtin_trap();
    } catch (const TooLargeToFuzz&) {
    }
    return 0;
}

}  // namespace fuzz_cuts
