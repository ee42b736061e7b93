// A BMP cut short must be refused, or give exactly the picture of the whole file: never the
// rows it had with the rest made up. The first two bytes say where the file is cut.

#include "media/picture_common.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>

namespace {

using namespace bimbalo::pictures;

struct TooLargeToFuzz {};

std::optional<CutPicture> Decode(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<std::FILE, FileCloser> file(size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "rb") : nullptr);
    if (!file)
        return std::nullopt;
    const PictureCutter whole = [](QSize natural) {
        if (std::int64_t{natural.width()} * natural.height() > 4'000'000)
            throw TooLargeToFuzz{};
        return PictureCut{QRect(QPoint(0, 0), natural), natural};
    };
    try {
        CutPlan plan(whole);
        return DecodeBmp(file.get(), plan);
    } catch (const PictureFault&) {
    } catch (const std::bad_alloc&) {
    }
    return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const std::size_t at = (std::size_t{data[0]} << 8 | data[1]) % (size - 2);
    data += 2;
    size -= 2;
    try {
        const std::optional<CutPicture> cut = Decode(data, at);
        if (!cut)
            return 0;
        // The cut file read nothing past its end, so the whole file reads the same bytes.
        const std::optional<CutPicture> whole = Decode(data, size);
        if (!whole || whole->natural != cut->natural || whole->image != cut->image)
            __builtin_trap();
    } catch (const TooLargeToFuzz&) {
    }
    return 0;
}
