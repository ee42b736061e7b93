// Sound files of the kinds the player reads through libsndfile's Ogg and FLAC
// and through FFmpeg, cut short or with bytes changed: each is refused with
// EMCIDeviceError, or plays some of its tone and then ends, never longer than
// the whole file. And an MP4 that keeps turning into a named pipe while it
// opens: FFmpeg reads the descriptor the player opened, never the path.

#include "test_sound_util.h"
#include "media/media_player.h"
#include "pipe_swap.h"
#include "media/sound_output_null.h"

using namespace soundtest;

namespace {

struct Kind {
    const char* name;
    Tone tone;
};

void PrintTo(const Kind& k, std::ostream* os)
{
    *os << k.name;
}

struct Heard {
    bool refused = false;
    std::string error;
    bool ended = false; // the voice ended by itself
    std::vector<float> samples;
};

// Opens the file and pulls up to `most` frames from it.
Heard Play(const std::string& path, std::size_t most)
{
    Heard heard;
    NullSoundOutput output;
    TMediaPlayer player(output);
    player.FileName = path;
    try {
        player.Open();
    } catch (const EMCIDeviceError& e) {
        heard.refused = true;
        heard.error = e.what();
        return heard;
    }
    player.Play();
    const std::size_t chunk = 4096;
    while (player.isPlaying() && heard.samples.size() / 2 < most) {
        std::vector<float> got = output.Pump(chunk);
        heard.samples.insert(heard.samples.end(), got.begin(), got.end());
    }
    heard.ended = !player.isPlaying();
    return heard;
}

// Frames up to the last one above a whisper.
std::size_t HeardLength(const std::vector<float>& samples)
{
    std::size_t last = 0;
    for (std::size_t i = 0; i < samples.size(); ++i)
        if (std::fabs(samples[i]) > 0.01f)
            last = i / 2 + 1;
    return last;
}

class DamagedSound : public testing::TestWithParam<Kind> {
protected:
    void SetUp() override
    {
        whole_ = dir_.File(std::string("whole-") + GetParam().name);
        WriteTone(whole_, GetParam().tone);
        bytes_ = ReadBytes(whole_);
        ASSERT_GT(bytes_.size(), 1000u);
        // The rate the decoder hands out, which for Opus need not be the source's.
        const Heard whole = Play(whole_, std::size_t((GetParam().tone.seconds + 10) * GetParam().tone.rate));
        ASSERT_FALSE(whole.refused) << whole.error;
        ASSERT_TRUE(whole.ended);
        wholeFrames_ = HeardLength(whole.samples);
        ASSERT_GT(wholeFrames_, 0u);
    }

    // Plays `bytes` as a file of the kind: refused, or it ends within the
    // whole file's length.
    Heard Damaged(const std::string& bytes, const std::string& what)
    {
        const std::string path = dir_.File(GetParam().name);
        WriteBytes(path, bytes);
        Heard heard = Play(path, 2 * wholeFrames_ + 48000);
        EXPECT_TRUE(heard.refused || heard.ended) << what << ": played on past twice the whole file";
        if (!heard.refused) {
            EXPECT_LE(HeardLength(heard.samples), wholeFrames_ + wholeFrames_ / 20 + 2048)
                << what << ": longer than the whole file";
        }
        return heard;
    }

    TempDir dir_;
    std::string whole_;
    std::string bytes_;
    std::size_t wholeFrames_ = 0;
};

TEST_P(DamagedSound, CutShortItIsRefusedOrPlaysLessThanTheWhole)
{
    const std::size_t size = bytes_.size();
    for (std::size_t at : {std::size_t(4), std::size_t(16), std::size_t(60), std::size_t(200), size / 8, size / 4,
                           size * 3 / 4, size - 1}) {
        SCOPED_TRACE("cut at " + std::to_string(at) + " of " + std::to_string(size));
        Damaged(bytes_.substr(0, at), "cut at " + std::to_string(at));
    }
}

// Files streamed from their start, with nothing at their end that the rest
// depends on.
class StreamedSound : public DamagedSound {};

TEST_P(StreamedSound, CutInTheMiddleItPlaysItsFirstPart)
{
    const Heard heard = Damaged(bytes_.substr(0, bytes_.size() / 2), "cut in the middle");
    ASSERT_FALSE(heard.refused) << heard.error;
    const std::size_t length = HeardLength(heard.samples);
    // Less than half for Ogg: the cut page is lost, and the headers take
    // a part of the file.
    EXPECT_GT(length, wholeFrames_ / 6);
    EXPECT_LT(length, wholeFrames_ * 7 / 10);
    // What it plays is the tone, at its pitch.
    const Tone& tone = GetParam().tone;
    const std::size_t window = 2048;
    ASSERT_GT(length, 2 * window);
    EXPECT_GT(ToneLevel(heard.samples, length / 2 - window / 2, window, 0, tone.rate, tone.left), 0.25);
}

TEST_P(DamagedSound, ChangedBytesAreRefusedOrPlayed)
{
    const std::size_t size = bytes_.size();
    // In the headers, early in the sound, in its middle and near its end.
    for (std::size_t at : {std::size_t(8), std::size_t(30), std::size_t(100), size / 8, size / 2, size * 7 / 8}) {
        for (unsigned char mask : {0xFF, 0x10}) {
            std::string bytes = bytes_;
            for (std::size_t i = at; i < std::min(size, at + 24); ++i)
                bytes[i] = char(bytes[i] ^ mask);
            SCOPED_TRACE("bytes " + std::to_string(at) + "+24 of " + std::to_string(size) + " xor "
                         + std::to_string(mask));
            Damaged(bytes, "changed at " + std::to_string(at));
        }
    }
}

const Kind kStreamed[] = {
    // Long enough for several pages: opusenc puts up to a second in a page;
    // oggenc fills 4 KB pages, with a sine at some 1.5 KB a second, after
    // 4 KB of headers.
    {"tone.ogg", {.seconds = 12, .encoder = Encoder::Vorbis}},
    {"tone.opus", {.rate = 48000, .seconds = 4, .encoder = Encoder::Opus}},
    {"tone.flac", {.seconds = 1, .encoder = Encoder::Flac}},
    {"tone.oga", {.seconds = 1, .encoder = Encoder::OggFlac}},
    {"tone.m4a", {.seconds = 1, .encoder = Encoder::M4a}},
    {"alac.m4a", {.seconds = 1, .encoder = Encoder::Alac}},
    {"tone.aac", {.seconds = 1, .encoder = Encoder::Adts}},
};

INSTANTIATE_TEST_SUITE_P(Kinds, StreamedSound, testing::ValuesIn(kStreamed),
                         [](const auto& info) { return FileLabel(info.param.name); });
std::vector<Kind> AllKinds()
{
    std::vector<Kind> kinds(std::begin(kStreamed), std::end(kStreamed));
    // Its index at the end: cut anywhere, it cannot be played.
    kinds.push_back({"index_last.m4a", {.seconds = 1, .encoder = Encoder::M4a, .indexFirst = false}});
    return kinds;
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedSound, testing::ValuesIn(AllKinds()),
                         [](const auto& info) { return FileLabel(info.param.name); });

// As in test_pipe_swap, for the FFmpeg side.
TEST(SoundFfmpegPipeSwap, EveryOpenReturns)
{
    TempDir dir;
    const std::string regular = dir.File("real-a.m4a");
    WriteTone(regular, {.seconds = 0.05, .encoder = Encoder::M4a});
    const std::string target = dir.File("a.m4a");
    pipeswap::PipeSwapper swapper(target, regular);
    ASSERT_TRUE(swapper.ok());
    auto open = [&] {
        NullSoundOutput output;
        TMediaPlayer player(output);
        player.FileName = target;
        try {
            player.Open();
            return std::string();
        } catch (const EMCIDeviceError&) {
            return std::string("refused");
        }
    };
    ASSERT_EQ(open(), "");
    const pipeswap::Outcome outcome = pipeswap::LoadWhileSwapping(swapper, 1000, open);
    EXPECT_TRUE(outcome.finished) << "an open waited on the pipe (" << swapper.swaps() << " swaps)";
    EXPECT_EQ(outcome.unexpected, "");
    EXPECT_GT(outcome.loaded, 0);
    EXPECT_GT(outcome.refused, 0);
}

} // namespace
