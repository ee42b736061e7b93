// The HEIF and AVIF decoder on arbitrary bytes, whole and cut (see fuzz_cut_checks.h): libheif
// decodes the whole picture and the cut samples it, exactly.

#include "fuzz_cut_checks.h"

// libheif 1.15 loses a few bytes of its codecs' state when a damaged picture fails to decode;
// only leaks that pass through its own code or its codecs' are let go (the codecs' stacks end
// inside them, as they keep no frame pointers).
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libheif.so\nleak:libdav1d.so\nleak:libde265.so\nleak:libaom.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz_cuts::Run([](const std::uint8_t* bytes, std::size_t length, bimbalo::pictures::CutPlan& plan) {
        return bimbalo::pictures::DecodeHeif(bytes, length, plan, false);
    }, true, data, size);
}
