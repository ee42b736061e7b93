// The GIF decoder on arbitrary bytes, whole and cut (see fuzz_cut_checks.h): a cut is the whole
// first frame's pixels sampled, exactly.

#include "fuzz_cut_checks.h"

#include <cstdio>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz_cuts::Run([](const std::uint8_t* bytes, std::size_t length, bimbalo::pictures::CutPlan& plan) {
        using namespace bimbalo::pictures;
        // fmemopen refuses an empty buffer.
        std::unique_ptr<std::FILE, FileCloser> file(length > 0 ? fmemopen(const_cast<std::uint8_t*>(bytes), length, "rb") : nullptr);
        if (!file)
            throw PictureFault{PictureFault::Unreadable, "empty"};
        return DecodeGif(file.get(), plan);
    }, true, data, size);
}
