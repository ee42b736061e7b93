// The player's own rules, against the null output: errors, one sound per
// player, independent players, and the samples it hands on.

#include "test_sound_util.h"
#include "media/media_player.h"
#include "media/sound_output_null.h"

#include <sys/stat.h>

using namespace soundtest;

namespace {

const std::string kPng("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\1\0\0\0\1\x08\x06\0\0\0\x1f\x15\xc4\x89"
                       "\0\0\0\nIDATx\x9c\x63\0\1\0\0\5\0\1\x0d\x0a\x2d\xb4\0\0\0\0IEND\xae\x42\x60\x82",
                       67);

std::string OpenError(TMediaPlayer& player)
{
    try {
        player.Open();
    } catch (const EMCIDeviceError& e) {
        return e.what();
    }
    return "(no error)";
}

struct BadFile {
    const char* label;
    const char* name;
    std::function<void(const std::string&)> make; // null: the file does not exist
    const char* message;                          // part of the expected text
};

class SoundPlayerBadFile : public testing::TestWithParam<BadFile> {};

TEST_P(SoundPlayerBadFile, OpenRaisesAndLeavesNothingOpen)
{
    TempDir dir;
    NullSoundOutput output;
    TMediaPlayer player(output);
    player.FileName = dir.File("good.wav");
    WriteTone(player.FileName, {});
    player.Open();
    player.Play();
    ASSERT_TRUE(player.isPlaying());

    const BadFile& bad = GetParam();
    player.FileName = dir.File(bad.name);
    if (bad.make)
        bad.make(player.FileName);
    std::string message = OpenError(player);

    EXPECT_NE(message, "(no error)");
    EXPECT_NE(message.find(bad.message), std::string::npos) << message;
    // The sound that was open has been closed before the failing open.
    EXPECT_FALSE(player.isOpen());
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(output.VoiceCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SoundPlayerBadFile,
    testing::Values(
        BadFile{"Missing", "missing.wav", nullptr, "No such file"},
        BadFile{"TextAsWav", "notes.wav", [](auto& p) { WriteBytes(p, "just some words, not a sound\n"); },
                "Format not recognised"},
        BadFile{"EmptyWav", "empty.wav", [](auto& p) { WriteBytes(p, ""); }, "Format not recognised"},
        BadFile{"PngAsMp3", "picture.mp3", [](auto& p) { WriteBytes(p, kPng); }, ""},
        BadFile{"FolderAsWav", "folder.wav", [](auto& p) { fs::create_directory(p); }, "Format not recognised"},
        // Would block for ever in open() if it reached the decoder.
        BadFile{"PipeAsMp3", "pipe.mp3", [](auto& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
                "Format not recognised"},
        // Neither libsndfile nor FFmpeg reads it: libsndfile's word stands.
        BadFile{"TextAsM4a", "notes.m4a", [](auto& p) { WriteBytes(p, "just some words, not a sound\n"); },
                "Format not recognised"},
        BadFile{"PipeAsM4a", "pipe.m4a", [](auto& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
                "Format not recognised"},
        // An MP4 whose index was to come at the end: FFmpeg's word.
        BadFile{"M4aCutBeforeItsIndex", "cut.m4a",
                [](auto& p) {
                    WriteTone(p, {.encoder = Encoder::M4a, .indexFirst = false});
                    WriteBytes(p, ReadBytes(p).substr(0, 4000));
                },
                "The sound file is damaged"}),
    [](const auto& info) { return std::string(info.param.label); });

// A sample rate of a few hertz makes a small file stand for hours of sound
// (20,000 frames at 1 Hz: a 40 KB file, five and a half hours).
struct RateCase {
    int rate;
    double seconds;
    const char* message; // part of the error; empty: it opens
    Encoder encoder = Encoder::None; // OggFlac: through FFmpeg
};

void PrintTo(const RateCase& c, std::ostream* os)
{
    *os << c.rate << " Hz" << (c.encoder == Encoder::None ? "" : " Ogg FLAC");
}

class SoundPlayerRate : public testing::TestWithParam<RateCase> {};

TEST_P(SoundPlayerRate, RatesOutsideTheLimitsAreRefusedAtOpen)
{
    const RateCase& c = GetParam();
    TempDir dir;
    NullSoundOutput output;
    TMediaPlayer player(output);
    player.FileName = dir.File(c.encoder == Encoder::None ? "rate.wav" : "rate.oga");
    WriteTone(player.FileName, {.rate = c.rate, .seconds = c.seconds, .left = c.rate / 10.0, .encoder = c.encoder});
    const std::string message = OpenError(player);
    if (*c.message == 0) {
        EXPECT_EQ(message, "(no error)");
        EXPECT_TRUE(player.isOpen());
        return;
    }
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
    EXPECT_NE(message.find(std::to_string(c.rate) + " Hz"), std::string::npos) << message;
    EXPECT_FALSE(player.isOpen());
    EXPECT_THROW(player.Play(), EMCIDeviceError);
    EXPECT_EQ(output.VoiceCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Rates, SoundPlayerRate,
                         testing::Values(RateCase{1, 20000, "too low to play: the lowest is 1000 Hz"},
                                         RateCase{2, 10000, "too low"}, RateCase{999, 2, "too low"},
                                         RateCase{1000, 2, ""}, RateCase{768000, 0.05, ""},
                                         RateCase{768001, 0.05, "too high to play: the highest is 768000 Hz"},
                                         RateCase{500, 4, "too low to play", Encoder::OggFlac},
                                         RateCase{1000, 2, "", Encoder::OggFlac},
                                         RateCase{800000, 0.05, "too high to play", Encoder::OggFlac}),
                         [](const auto& info) {
                             return std::to_string(info.param.rate) + "Hz"
                                    + (info.param.encoder == Encoder::None ? "" : "OggFlac");
                         });

TEST(SoundPlayer, PlayWithNothingOpenRaises)
{
    TempDir dir;
    NullSoundOutput output;
    TMediaPlayer player(output);
    EXPECT_NO_THROW(player.Close());
    EXPECT_NO_THROW(player.Close());
    try {
        player.Play();
        FAIL() << "Play raised nothing";
    } catch (const EMCIDeviceError& e) {
        EXPECT_STREQ(e.what(), "No MCI device open");
    }

    player.FileName = dir.File("a.wav");
    WriteTone(player.FileName, {});
    player.Open();
    player.Close();
    EXPECT_THROW(player.Play(), EMCIDeviceError);
    EXPECT_EQ(output.VoiceCount(), 0u);
}

TEST(SoundPlayer, DeviceFailureRaisesItsMessage)
{
    TempDir dir;
    WriteTone(dir.File("a.wav"), {});
    for (auto [failure, expected] : {std::pair<std::string, std::string>{"No available audio device", "No available audio device"},
                                     {"", "Unknown error code"}}) {
        NullSoundOutput output(failure);
        TMediaPlayer player(output);
        player.FileName = dir.File("a.wav");
        EXPECT_EQ(OpenError(player), expected);
        EXPECT_FALSE(player.isOpen());
    }
}

TEST(SoundPlayer, OpenClosesTheSoundBefore)
{
    TempDir dir;
    WriteTone(dir.File("low.wav"), {.left = 440});
    WriteTone(dir.File("high.wav"), {.left = 1320});
    NullSoundOutput output;
    TMediaPlayer player(output);
    player.FileName = dir.File("low.wav");
    player.Open();
    player.Play();
    player.Play(); // plays on, no second voice
    EXPECT_EQ(output.VoiceCount(), 1u);

    player.FileName = dir.File("high.wav");
    player.Open();
    EXPECT_EQ(output.VoiceCount(), 0u); // opened, not yet playing
    EXPECT_TRUE(player.isOpen());
    player.Play();
    ASSERT_EQ(output.VoiceCount(), 1u);
    auto heard = output.Pump(4096);
    EXPECT_GT(ToneLevel(heard, 0, 4096, 0, 44100, 1320), 0.3);
    EXPECT_LT(ToneLevel(heard, 0, 4096, 0, 44100, 440), 0.02);
}

TEST(SoundPlayer, PlayersDoNotDisturbEachOther)
{
    TempDir dir;
    WriteTone(dir.File("main.wav"), {.seconds = 2, .left = 440});
    WriteTone(dir.File("show.wav"), {.left = 1320});
    NullSoundOutput output;
    TMediaPlayer main(output), show(output);
    main.FileName = dir.File("main.wav");
    main.Open();
    main.Play();

    show.FileName = dir.File("show.wav");
    show.Open();
    show.Play();
    auto both = output.Pump(4096);
    EXPECT_GT(ToneLevel(both, 0, 4096, 0, 44100, 440), 0.3);
    EXPECT_GT(ToneLevel(both, 0, 4096, 0, 44100, 1320), 0.3);

    show.Close();
    show.FileName = dir.File("missing.wav");
    EXPECT_THROW(show.Open(), EMCIDeviceError);
    EXPECT_TRUE(main.isPlaying());
    auto one = output.Pump(4096);
    EXPECT_GT(ToneLevel(one, 0, 4096, 0, 44100, 440), 0.3);
    EXPECT_LT(ToneLevel(one, 0, 4096, 0, 44100, 1320), 0.02);
}

TEST(SoundPlayer, DestroyingThePlayerClosesItsSound)
{
    TempDir dir;
    WriteTone(dir.File("a.wav"), {});
    NullSoundOutput output;
    {
        TMediaPlayer player(output);
        player.FileName = dir.File("a.wav");
        player.Open();
        player.Play();
        EXPECT_EQ(output.VoiceCount(), 1u);
    }
    EXPECT_EQ(output.VoiceCount(), 0u);
}

// Every kind of file reaches the output as stereo at its own rate with its
// tones intact, and the voice ends with the file.
class SoundPlayerDecode : public testing::TestWithParam<std::pair<const char*, Tone>> {};

TEST_P(SoundPlayerDecode, HandsOnTheFileSamples)
{
    const auto& [name, tone] = GetParam();
    TempDir dir;
    NullSoundOutput output;
    TMediaPlayer player(output);
    player.FileName = dir.File(name);
    WriteTone(player.FileName, tone);
    player.Open();
    player.Play();

    const std::size_t expected = std::size_t(tone.seconds * tone.rate);
    const std::size_t window = 4096;
    auto heard = output.Pump(expected + tone.rate); // a second more than the file holds
    ASSERT_FALSE(player.isPlaying());
    const std::size_t middle = expected / 2 - window / 2;
    double rightTone = tone.channels == 1 ? tone.left : tone.right;
    for (auto [channel, want, other] : {std::tuple{0, tone.left, rightTone}, std::tuple{1, rightTone, tone.left}}) {
        EXPECT_NEAR(ToneLevel(heard, middle, window, channel, tone.rate, want), tone.amplitude, 0.05)
            << "channel " << channel;
        if (want != other) {
            EXPECT_LT(ToneLevel(heard, middle, window, channel, tone.rate, other), 0.02) << "channel " << channel;
        }
    }
    // All of it was read, and nothing after its end but silence.
    std::size_t last = 0;
    for (std::size_t i = 0; i < heard.size(); ++i)
        if (std::fabs(heard[i]) > 0.01f)
            last = i / 2;
    EXPECT_NEAR(double(last), double(expected), tone.rate * 0.06);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SoundPlayerDecode,
    testing::Values(
        std::pair{"mono16.wav", Tone{.rate = 22050, .left = 700}},
        std::pair{"stereo8.wav", Tone{.format = SF_FORMAT_WAV | SF_FORMAT_PCM_U8, .channels = 2, .left = 500, .right = 1500}},
        std::pair{"stereo24.wav", Tone{.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24, .rate = 48000, .channels = 2,
                                       .left = 1500, .right = 500}},
        std::pair{"float.wav", Tone{.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT, .rate = 8000, .seconds = 1.5, .left = 300}},
        std::pair{"surround.wav", Tone{.channels = 6, .left = 600, .right = 900}},
        std::pair{"mono.mp3", Tone{.format = kMp3, .left = 700}},
        std::pair{"stereo.mp3", Tone{.format = kMp3, .rate = 48000, .channels = 2, .left = 500, .right = 1500}},
        // Through libsndfile.
        std::pair{"vorbis.ogg", Tone{.rate = 32000, .channels = 2, .left = 700, .right = 1100, .encoder = Encoder::Vorbis}},
        std::pair{"stereo.opus", Tone{.rate = 48000, .channels = 2, .left = 500, .right = 1500, .encoder = Encoder::Opus}},
        // Opus decodes at the rate its header names when Opus has that rate.
        std::pair{"mono16k.opus", Tone{.rate = 16000, .left = 600, .encoder = Encoder::Opus}},
        std::pair{"stereo.flac", Tone{.rate = 96000, .channels = 2, .left = 1500, .right = 500, .encoder = Encoder::Flac}},
        // Through FFmpeg.
        std::pair{"oggflac.oga", Tone{.rate = 32000, .left = 800, .encoder = Encoder::OggFlac}},
        std::pair{"surround.oga", Tone{.channels = 6, .left = 600, .right = 900, .encoder = Encoder::OggFlac}},
        std::pair{"aac.m4a", Tone{.rate = 48000, .channels = 2, .left = 500, .right = 1500, .encoder = Encoder::M4a}},
        std::pair{"surround.m4a", Tone{.channels = 6, .left = 600, .right = 900, .encoder = Encoder::M4a}},
        std::pair{"alac.m4a", Tone{.channels = 2, .left = 1500, .right = 500, .encoder = Encoder::Alac}},
        std::pair{"adts.aac", Tone{.rate = 22050, .left = 700, .encoder = Encoder::Adts}},
        // The content decides, not the name.
        std::pair{"mp4named.aac", Tone{.left = 900, .encoder = Encoder::M4a}},
        std::pair{"vorbisnamed.m4a", Tone{.left = 900, .encoder = Encoder::Vorbis}}),
    [](const auto& info) { return FileLabel(info.param.first); });

} // namespace
