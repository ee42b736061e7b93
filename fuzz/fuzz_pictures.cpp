// Feeds arbitrary bytes to each picture decoder, whole and cut. The first byte picks the
// decoder and the cut; every outcome other than a picture or a refusal (a crash, a sanitizer
// report, a hang) is a bug. A PNG or BMP decoded with a cut must also give exactly the whole
// picture's pixels under that cut (turned as it is shown), succeed whenever the whole picture
// does, and fail only where the whole one fails too; a cut may succeed over a file damaged
// below the rows it needs.

#include "fuzz_cut_checks.h"
#include "media/picture_common.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>

namespace {

using namespace bimbalo::pictures;

using fuzz_cuts::Cut;
using fuzz_cuts::kWholeLimit;
using fuzz_cuts::Sample;
using fuzz_cuts::TooLargeToFuzz;

// A cut is left alone past this, so that each run stays quick.
constexpr std::int64_t kCutLimit = 25'000'000;
// The cuts the selector picks from: whole, reduced or enlarged, a window, nothing kept.
constexpr int kCuts[] = {0, 1, 2, 4};

PictureCutter Cutter(int kind, std::int64_t limit)
{
    return [kind, limit](QSize natural) {
        if (std::int64_t{natural.width()} * natural.height() > limit)
            throw TooLargeToFuzz{};
        return Cut(kind, natural);
    };
}

struct Decoded {
    CutPicture picture;  // turned as it is shown
    int orientation = 1;
};

std::optional<Decoded> Decode(int decoder, const std::uint8_t* data, std::size_t size, const PictureCutter& cutter)
{
    try {
        CutPlan plan(cutter);
        Decoded decoded;
        if (decoder == 0) {
            decoded.picture = DecodeJpegCut(data, size, plan);
        } else {
            // fmemopen refuses an empty buffer.
            std::unique_ptr<std::FILE, FileCloser> file(size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "rb") : nullptr);
            if (!file)
                return std::nullopt;
            decoded.picture = decoder == 1 ? DecodePng(file.get(), plan) : DecodeBmp(file.get(), plan);
        }
        decoded.orientation = plan.meta().orientation;
        decoded.picture.image = Orient(decoded.picture.image, decoded.orientation);
        decoded.picture.natural = OrientedSize(decoded.picture.natural, decoded.orientation);
        return decoded;
    } catch (const PictureFault&) {
    } catch (const std::bad_alloc&) {
    }
    return std::nullopt;
}

void CheckShape(const std::optional<Decoded>& decoded)
{
    if (!decoded || decoded->picture.image.isNull())
        return;
    const QImage::Format format = decoded->picture.image.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32)
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
    const int cut = kCuts[(selector / 4) % 4];
    try {
        if (decoder == 3) {
            // The reduced decode that LoadPictureScaled uses.
            const QImage picture = DecodeJpeg(data, size, cut == 0 ? 0 : 64, 48);
            if (picture.isNull() || picture.format() != QImage::Format_RGB32)
                __builtin_trap();
            return 0;
        }
        const PictureCutter partCutter = Cutter(cut, kCutLimit), wholeCutter = Cutter(0, kWholeLimit);
        const std::optional<Decoded> part = Decode(decoder, data, size, partCutter);
        CheckShape(part);
        if (decoder == 0 || cut == 0)
            return 0;
        const std::optional<Decoded> whole = Decode(decoder, data, size, wholeCutter);
        CheckShape(whole);
        if (whole && !part)
            __builtin_trap();
        if (!whole || !part)
            return 0;
        const CutPicture& p = part->picture;
        const CutPicture& w = whole->picture;
        if (p.natural != w.natural || p.corner != w.corner)
            __builtin_trap();
        // A stretch samples the stored picture, which a mirror turns a pixel aside: exact only
        // for pictures shown as stored and for plain cut-outs.
        const PictureCut shownCut = Cut(cut, w.natural);
        if ((whole->orientation == 1 || shownCut.source.size() == shownCut.size) && p.image != Sample(w.image, shownCut))
            __builtin_trap();
    } catch (const PictureFault&) {
    } catch (const std::bad_alloc&) {
    } catch (const TooLargeToFuzz&) {
    }
    return 0;
}
