// Pictures and sounds whose file another program keeps swapping for a named
// pipe while they load: every load returns, with the picture or the sound
// when it found the file and with the usual error when it found the pipe.

#include "pipe_swap.h"
#include "picture_writers.h"
#include "test_sound_util.h"
#include "media/media_player.h"
#include "media/picture_decoders.h"
#include "media/sound_output_null.h"

#include <QImage>
#include <turbojpeg.h>

using namespace pipeswap;
using namespace soundtest;

namespace {

constexpr int kCalls = 2000;

struct SwapCase {
    const char* label;
    const char* name;
    std::function<void(const std::string& path)> write;
    // "" when loaded, "refused" for the expected error, else what happened.
    std::function<std::string(const std::string& path)> load;
};

void PrintTo(const SwapCase& c, std::ostream* os)
{
    *os << c.name;
}

void WritePicture(const std::string& path, const char* format)
{
    const QImage pattern = picture_test::Pattern(8, 8);
    if (std::string(format) == "JPG")
        WriteBytes(path, picture_test::Jpeg(pattern, TJSAMP_444));
    else if (std::string(format) == "BMP")
        WriteBytes(path, picture_test::Bmp(pattern));
    else
        ASSERT_TRUE(pattern.save(QString::fromStdString(path), format));
}

std::string LoadPictureOutcome(const std::string& path)
{
    try {
        const QImage picture = LoadPicture(path);
        return picture.size() == QSize(8, 8) ? "" : "a picture of the wrong size";
    } catch (const EPictureError&) {
        return "refused";
    } catch (const std::exception& e) {
        return std::string("another error: ") + e.what();
    }
}

std::string OpenSoundOutcome(const std::string& path)
{
    NullSoundOutput output;
    TMediaPlayer player(output);
    player.FileName = path;
    try {
        player.Open();
        player.Play();
        return player.isPlaying() ? "" : "opened but not playing";
    } catch (const EMCIDeviceError&) {
        return "refused";
    } catch (const std::exception& e) {
        return std::string("another error: ") + e.what();
    }
}

class PipeSwappedIn : public testing::TestWithParam<SwapCase> {};

TEST_P(PipeSwappedIn, EveryLoadReturns)
{
    const SwapCase& c = GetParam();
    TempDir dir;
    const std::string regular = dir.File(std::string("real-") + c.name);
    c.write(regular);
    PipeSwapper swapper(dir.File(c.name), regular);
    ASSERT_TRUE(swapper.ok());
    ASSERT_EQ(c.load(dir.File(c.name)), "");

    const std::string target = dir.File(c.name);
    const Outcome outcome = LoadWhileSwapping(swapper, kCalls, [&] { return c.load(target); });

    EXPECT_TRUE(outcome.finished) << "a load waited on the pipe (" << swapper.swaps() << " swaps)";
    EXPECT_EQ(outcome.unexpected, "");
    // Both kinds of file were met, or the race was not run at all.
    EXPECT_GT(outcome.loaded, 0);
    EXPECT_GT(outcome.refused, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, PipeSwappedIn,
    testing::Values(
        SwapCase{"Jpeg", "a.jpg", [](auto& p) { WritePicture(p, "JPG"); }, LoadPictureOutcome},
        SwapCase{"Png", "a.png", [](auto& p) { WritePicture(p, "PNG"); }, LoadPictureOutcome},
        SwapCase{"Bmp", "a.bmp", [](auto& p) { WritePicture(p, "BMP"); }, LoadPictureOutcome},
        SwapCase{"Wav", "a.wav", [](auto& p) { WriteTone(p, {.seconds = 0.05}); }, OpenSoundOutcome},
        SwapCase{"Mp3", "a.mp3", [](auto& p) { WriteTone(p, {.format = kMp3, .seconds = 0.05}); },
                 OpenSoundOutcome}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
