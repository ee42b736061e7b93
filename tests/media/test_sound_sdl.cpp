// The player through real SDL audio, with SDL's disk driver writing every
// mixed sample to a file that the tests read back.

#include "test_sound_util.h"
#include "media/media_player.h"
#include "media/sound_output_sdl.h"
#include "media/speech.h"

#include <atomic>
#include <cstring>

using namespace soundtest;

namespace {

class SoundSdl : public testing::Test {
protected:
    SoundSdl()
    {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", rawFile_.c_str(), 1);
    }

    // Every frame written so far, float stereo at the output's rate.
    std::vector<float> Played() const
    {
        std::ifstream in(rawFile_, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<float> samples(bytes.size() / (2 * sizeof(float)) * 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
        return samples;
    }
    std::size_t PlayedFrames() const
    {
        std::error_code ec;
        auto size = fs::file_size(rawFile_, ec);
        return ec ? 0 : std::size_t(size / (2 * sizeof(float)));
    }
    // Frames that may still reach the file after a change has been made: the
    // buffer SDL has mixed but not yet written, plus what stdio holds back.
    std::size_t Slack() const { return 2 * std::size_t(output_.BufferFrames()) + 1024; }
    // Waits until `frames` more frames than `from` have been played, and returns them all.
    std::vector<float> WaitForOutput(std::size_t from, std::size_t frames)
    {
        EXPECT_TRUE(WaitUntil([&] { return PlayedFrames() >= from + frames; }));
        return Played();
    }

    TempDir dir_;
    std::string rawFile_ = dir_.File("played.raw");
    SdlSoundOutput output_;
};

class SoundSdlFormats : public SoundSdl, public testing::WithParamInterface<std::pair<const char*, Tone>> {};

TEST_P(SoundSdlFormats, PlaysTheFileAtItsOwnPitchAndLength)
{
    const auto& [name, tone] = GetParam();
    TMediaPlayer player(output_);
    player.FileName = dir_.File(name);
    WriteTone(player.FileName, tone);
    player.Open();
    ASSERT_TRUE(output_.isOpen());
    const double rate = output_.SampleRate();
    player.Play();
    ASSERT_TRUE(WaitUntil([&] { return !player.isPlaying(); }));
    auto played = WaitForOutput(PlayedFrames(), Slack());

    std::size_t first = played.size(), last = 0;
    for (std::size_t i = 0; i < played.size(); ++i) {
        if (std::fabs(played[i]) > 0.02f) {
            first = std::min(first, i / 2);
            last = i / 2;
        }
    }
    ASSERT_LT(first, last) << "nothing was heard";
    // A wrong rate conversion shows as a wrong length and a shifted pitch.
    EXPECT_NEAR((last - first) / rate, tone.seconds, 0.04);
    const std::size_t window = 4096;
    const std::size_t middle = (first + last) / 2 - window / 2;
    double right = tone.channels == 1 ? tone.left : tone.right;
    EXPECT_NEAR(ToneLevel(played, middle, window, 0, rate, tone.left), tone.amplitude, 0.06);
    EXPECT_NEAR(ToneLevel(played, middle, window, 1, rate, right), tone.amplitude, 0.06);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SoundSdlFormats,
    testing::Values(std::pair{"same_rate.wav", Tone{.channels = 2, .seconds = 0.4, .left = 500, .right = 1200}},
                    std::pair{"resampled.wav", Tone{.rate = 22050, .seconds = 0.4, .left = 700}},
                    std::pair{"resampled.mp3", Tone{.format = kMp3, .rate = 48000, .channels = 2, .seconds = 0.4,
                                                    .left = 1200, .right = 500}},
                    std::pair{"resampled.ogg", Tone{.rate = 22050, .channels = 2, .seconds = 0.4, .left = 500,
                                                    .right = 1200, .encoder = Encoder::Vorbis}},
                    // Encoded from 44.1 kHz, decoded at Opus's own 48 kHz.
                    std::pair{"resampled.opus", Tone{.channels = 2, .seconds = 0.4, .left = 1200, .right = 500,
                                                     .encoder = Encoder::Opus}},
                    std::pair{"resampled.flac", Tone{.rate = 96000, .seconds = 0.4, .left = 700, .encoder = Encoder::Flac}},
                    std::pair{"resampled.oga", Tone{.rate = 48000, .seconds = 0.4, .left = 900, .encoder = Encoder::OggFlac}},
                    std::pair{"resampled.m4a", Tone{.rate = 48000, .channels = 2, .seconds = 0.4, .left = 500,
                                                    .right = 1200, .encoder = Encoder::M4a}},
                    std::pair{"same_rate.m4a", Tone{.seconds = 0.4, .left = 800, .encoder = Encoder::Alac}},
                    std::pair{"resampled.aac", Tone{.rate = 32000, .seconds = 0.4, .left = 700, .encoder = Encoder::Adts}}),
    [](const auto& info) { return FileLabel(info.param.first); });

TEST_F(SoundSdl, TwoPlayersSoundTogetherAndCloseApart)
{
    WriteTone(dir_.File("main.wav"), {.seconds = 4, .left = 600});
    WriteTone(dir_.File("show.mp3"), {.format = kMp3, .seconds = 3, .left = 1500});
    TMediaPlayer main(output_), show(output_);
    main.FileName = dir_.File("main.wav");
    show.FileName = dir_.File("show.mp3");
    main.Open();
    const double rate = output_.SampleRate();
    const std::size_t window = 2048;

    std::size_t start = PlayedFrames();
    main.Play();
    show.Open();
    show.Play();
    auto played = WaitForOutput(start, std::size_t(0.3 * rate));
    bool together = false;
    for (std::size_t at = start; at + window <= played.size() / 2 && !together; at += window / 2)
        together = ToneLevel(played, at, window, 0, rate, 600) > 0.3 && ToneLevel(played, at, window, 1, rate, 1500) > 0.3;
    EXPECT_TRUE(together) << "the two tones were never heard at the same time";

    show.Close();
    EXPECT_TRUE(main.isPlaying());
    std::size_t closed = PlayedFrames() + Slack();
    played = WaitForOutput(closed, window);
    EXPECT_GT(ToneLevel(played, closed, window, 0, rate, 600), 0.3);
    EXPECT_LT(ToneLevel(played, closed, window, 0, rate, 1500), 0.02);

    main.Close();
    closed = PlayedFrames() + Slack();
    played = WaitForOutput(closed, window);
    EXPECT_EQ(Peak(played, closed, window), 0.0);
}

// Endless frames of one value at any rate, counting the reads.
class SteadyStream : public SoundStream {
public:
    SteadyStream(int rate, std::atomic<int>& reads) : rate_(rate), reads_(reads) {}
    int SampleRate() const override { return rate_; }
    std::size_t Read(float* stereo, std::size_t frames) override
    {
        std::fill(stereo, stereo + 2 * frames, 0.5f);
        ++reads_;
        return frames;
    }

private:
    int rate_;
    std::atomic<int>& reads_;
};

// Converting a few frames at 2 Hz up to the device's rate gives minutes of
// sound; done in one piece, it took gigabytes and Stop waited for all of it.
TEST_F(SoundSdl, VeryLowRateStreamPlaysAndStopsWithinABuffer)
{
    output_.Open();
    std::atomic<int> reads{0};
    SoundVoiceId voice = output_.Start(std::make_unique<SteadyStream>(2, reads), nullptr);
    ASSERT_NE(voice, 0u);
    ASSERT_TRUE(WaitUntil([&] { return reads > 0; }));
    // The feeder is at its first step now.
    auto start = std::chrono::steady_clock::now();
    output_.Stop(voice);
    const auto stopping = std::chrono::steady_clock::now() - start;
    // One buffer is about 23 ms; this allows for a slow, sanitized build.
    EXPECT_LT(stopping, std::chrono::seconds(1))
        << std::chrono::duration_cast<std::chrono::milliseconds>(stopping).count() << " ms";

    const std::size_t from = PlayedFrames() + Slack();
    voice = output_.Start(std::make_unique<SteadyStream>(2, reads), nullptr);
    ASSERT_NE(voice, 0u);
    EXPECT_TRUE(WaitUntil([&] {
        const std::vector<float> played = Played();
        for (std::size_t i = 2 * from; i < played.size(); ++i)
            if (std::fabs(played[i] - 0.5f) < 0.01f)
                return true;
        return false;
    })) << "the stream was never heard";
    EXPECT_TRUE(output_.IsPlaying(voice));
    start = std::chrono::steady_clock::now();
    output_.Stop(voice);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// A caption said through the real output: espeak-ng's 22,050 Hz speech, converted by SDL, is
// heard for about as long as the synthesiser made it.
TEST_F(SoundSdl, ASpokenCaptionIsHeard)
{
    TMediaPlayer player(output_);
    auto speech = SpeakText("grandma", "en");
    ASSERT_NE(speech, nullptr);
    const double seconds = [&] {
        std::vector<float> buffer(2 * 4096);
        std::size_t frames = 0;
        for (std::size_t n; (n = speech->Read(buffer.data(), 4096)) > 0;)
            frames += n;
        return double(frames) / speech->SampleRate();
    }();
    output_.Open();
    const std::size_t from = PlayedFrames() + Slack();
    player.PlayStreamIfPossible(SpeakText("grandma", "en"));
    ASSERT_TRUE(player.isPlaying());
    ASSERT_TRUE(WaitUntil([&] { return !player.isPlaying(); }));
    const std::vector<float> played = WaitForOutput(from, std::size_t(seconds * output_.SampleRate()));
    std::size_t loud = 0;
    for (std::size_t i = 2 * from; i < played.size(); i += 2)
        loud += std::fabs(played[i]) > 0.02f;
    // Speech has its pauses between sounds: a good share of it is loud.
    EXPECT_GT(double(loud) / output_.SampleRate(), 0.25 * seconds) << loud << " loud frames of " << seconds << " s";
}

TEST_F(SoundSdl, DeviceThatCannotOpenRaisesUntilItCan)
{
    setenv("SDL_AUDIODRIVER", "bimbalo_no_such_driver", 1);
    WriteTone(dir_.File("a.wav"), {});
    TMediaPlayer player(output_);
    player.FileName = dir_.File("a.wav");
    try {
        player.Open();
        FAIL() << "Open raised nothing";
    } catch (const EMCIDeviceError& e) {
        EXPECT_NE(std::string(e.what()).find("bimbalo_no_such_driver"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(player.isOpen());

    setenv("SDL_AUDIODRIVER", "disk", 1);
    player.Open();
    player.Play();
    EXPECT_TRUE(player.isPlaying());
}

} // namespace
