#pragma once

// The 100,000-file tree the slide list benchmarks walk.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace benchtree {

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 1000;

// What each folder holds: pictures with a sound of the same name, pictures
// alone, MP3 sounds alone, WAV sounds that pair with the first pictures alone
// of the next folder, and files of other kinds.
struct Layout {
    int pairs;
    int pictures;
    int sounds;
    int across;
    int others;

    int slides() const { return kFolders * (pairs + pictures + sounds); }
};

// 59,000 slides.
constexpr Layout kScanLayout{350, 150, 90, 10, 50};
// 75,000 slides.
constexpr Layout kListLayout{190, 400, 160, 10, 50};

inline void MakeTree(const std::filesystem::path& root, const Layout& layout = kScanLayout)
{
    for (int f = 0; f < kFolders; ++f) {
        char folder[32];
        std::snprintf(folder, sizeof folder, "Folder%03d", f);
        const auto dir = root / folder;
        std::filesystem::create_directories(dir);
        int made = 0;
        const auto touch = [&](const char* fmt, int a, int b) {
            char name[64];
            std::snprintf(name, sizeof name, fmt, a, b);
            std::ofstream(dir / name);
            ++made;
        };
        for (int i = 0; i < layout.pairs; ++i) {
            touch("Pair_%03d_%04d.JPG", f, i);
            touch("pair_%03d_%04d.wav", f, i);
        }
        for (int i = 0; i < layout.pictures; ++i)
            touch(i % 3 ? "alone_%03d_%04d.png" : "Alone_%03d_%04d.bmp", f, i);
        for (int i = 0; i < layout.sounds; ++i)
            touch("voice_%03d_%04d.mp3", f, i);
        for (int i = 0; i < layout.across; ++i)
            touch("alone_%03d_%04d.wav", (f + 1) % kFolders, i); // pairs with the next folder's pictures
        for (int i = 0; i < layout.others; ++i)
            touch(i % 2 ? "notes_%03d_%04d.txt" : "clip_%03d_%04d.jpeg", f, i);
        if (made != kFilesPerFolder) {
            std::fprintf(stderr, "tree layout is off: %d files in a folder\n", made);
            std::exit(1);
        }
    }
}

} // namespace benchtree
