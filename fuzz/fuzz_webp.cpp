// The WebP decoder on arbitrary bytes, whole and cut (see fuzz_cut_checks.h). libwebp crops and
// scales a still picture itself, so its cuts are not sampled exactly from the whole picture.

#include "fuzz_cut_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz_cuts::Run([](const std::uint8_t* bytes, std::size_t length, bimbalo::pictures::CutPlan& plan) {
        return bimbalo::pictures::DecodeWebp(bytes, length, plan, false);
    }, false, data, size);
}
