#include "app/shorten_path.h"

#include <gtest/gtest.h>

struct PathCase {
    const char* path;
    const char* windows; // display form under the Windows rules
    const char* platform; // display form as the slide list shows it
    bool plain = false;   // ShortenedFileName gives it without ShortenPath
};

class ShortenPathTest : public testing::TestWithParam<PathCase> {};

TEST_P(ShortenPathTest, GivesTheDisplayForm)
{
    const PathCase& c = GetParam();
    EXPECT_EQ(ShortenPathWindows(QString::fromUtf8(c.path)).toStdString(), c.windows);
    EXPECT_EQ(ShortenPath(QString::fromUtf8(c.path)).toStdString(), c.platform);
    // The slide list measures plain paths from their bytes: same text or none.
    std::string_view name;
    EXPECT_EQ(ShortenedFileName(c.path, name), c.plain);
    if (c.plain) {
        EXPECT_EQ("/.../" + std::string(name), c.platform);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ShortenPathTest,
    testing::Values(
        PathCase{"c:\\pictures\\zoo\\lion.jpg", "c:\\...\\lion.jpg", "c:\\...\\lion.jpg"},
        PathCase{"c:\\lion.jpg", "c:\\...\\lion.jpg", "c:\\...\\lion.jpg"},
        PathCase{"c:lion.jpg", "c:\\...\\lion.jpg", "c:\\...\\lion.jpg"},
        PathCase{"\\\\server\\share\\zoo\\lion.jpg", "\\\\server\\share\\...\\lion.jpg", "\\\\server\\share\\...\\lion.jpg"},
        PathCase{"lion.jpg", "\\...\\lion.jpg", "/.../lion.jpg", true},
        PathCase{"", "", ""},
        // POSIX paths: only "/" separates, ":" is part of a name.
        PathCase{"/home/ann/zoo/lion.jpg", "\\...\\/home/ann/zoo/lion.jpg", "/.../lion.jpg", true},
        PathCase{"/data/a:b/tiger.png", "\\...\\b/tiger.png", "/.../tiger.png", true},
        PathCase{"/lion.jpg", "\\...\\/lion.jpg", "/.../lion.jpg", true},
        PathCase{"datasets/letters/a.wav", "\\...\\datasets/letters/a.wav", "/.../a.wav", true},
        PathCase{"/zoo/Löwe.jpg", "\\...\\/zoo/Löwe.jpg", "/.../Löwe.jpg"}));
