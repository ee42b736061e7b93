#pragma once

// A 12-megapixel JPEG that asks of the encoder and the decoder about the work a real
// photograph does, for the show's benchmarks.

#include <turbojpeg.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

constexpr int kWidth = 4000, kHeight = 3000;

// Gradients, a few soft shapes and sensor-like noise: the encoder and the
// decoder get about the work a real photograph gives them.
inline std::vector<unsigned char> PhotoLikeJpeg(int seed)
{
    std::vector<unsigned char> rgb(std::size_t(kWidth) * kHeight * 3);
    unsigned noise = 2463534242u + unsigned(seed) * 7919u;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int n = int(noise & 15) - 8;
            const int dx = x - kWidth / 2 - seed * 300, dy = y - kHeight / 2;
            const int ring = ((dx * dx + dy * dy) >> 14) & 63;
            unsigned char* p = &rgb[(std::size_t(y) * kWidth + x) * 3];
            p[0] = (unsigned char)std::clamp(x * 200 / kWidth + ring + n + seed * 10, 0, 255);
            p[1] = (unsigned char)std::clamp(y * 180 / kHeight + ring / 2 + n + 30, 0, 255);
            p[2] = (unsigned char)std::clamp((x + y) * 120 / (kWidth + kHeight) + 60 - ring + n, 0, 255);
        }
    }
    tjhandle tj = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (tjCompress2(tj, rgb.data(), kWidth, 0, kHeight, TJPF_RGB, &out, &size, TJSAMP_420, 90, TJFLAG_ACCURATEDCT) != 0)
        throw std::runtime_error(tjGetErrorStr2(tj));
    std::vector<unsigned char> jpeg(out, out + size);
    tjFree(out);
    tjDestroy(tj);
    return jpeg;
}
