// Open+Play of the sound player against merely reading the same file into
// memory (and, for scale, decoding it whole through the player's decoder),
// for short files of every kind and three-minute MP3 and M4A songs; then the
// peak resident memory and the Close time while long sounds of each kind, and
// at very low and very high rates, play, against a 44.1 kHz WAV. The Ogg,
// FLAC, MP4 and ADTS files are made with the Debian encoders (oggenc, opusenc,
// flac, ffmpeg) from WAVs. Runs on SDL's dummy audio driver unless told
// otherwise.

#include "media/media_player.h"
#include "media/sound_decoders.h"
#include "media/sound_output_sdl.h"
#include "media/speech.h"

#include <sndfile.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Millis(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

bool WriteSong(const std::string& path, int format, double seconds, int rate = 44100)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    // A few chords' worth of changing tones, so the encoder has something to do.
    std::vector<float> block(2 * 4410);
    const long frames = long(seconds * rate);
    for (long done = 0; done < frames; done += 4410) {
        double f = 220.0 * std::pow(2.0, double((done / 22050) % 12) / 12.0) * rate / 44100;
        for (long i = 0; i < 4410; ++i) {
            double t = double(done + i) / rate;
            block[2 * i] = float(0.3 * std::sin(2 * std::numbers::pi * f * t));
            block[2 * i + 1] = float(0.3 * std::sin(2 * std::numbers::pi * 1.5 * f * t));
        }
        sf_writef_float(file, block.data(), std::min<long>(4410, frames - done));
    }
    sf_close(file);
    return true;
}

// The kinds made by an encoder from a WAV.
enum class Kind { Sndfile, Vorbis, Opus, Flac, OggFlac, M4a, Adts };

bool Run(const std::vector<std::string>& command)
{
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    int status = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0
        || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed or is missing (scripts/install-deps.sh installs it)\n", argv[0]);
        return false;
    }
    return true;
}

bool MakeSong(const std::string& path, Kind kind, int format, double seconds, int rate = 44100)
{
    if (kind == Kind::Sndfile)
        return WriteSong(path, format, seconds, rate);
    const std::string wav = path + ".source.wav";
    if (!WriteSong(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, seconds, rate))
        return false;
    const std::vector<std::string> ffmpeg = {"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", wav, "-c:a", "aac",
                                             "-b:a", "160k"};
    std::vector<std::string> command;
    switch (kind) {
    case Kind::Sndfile:
        break;
    case Kind::Vorbis:
        command = {"oggenc", "-Q", "-o", path, wav};
        break;
    case Kind::Opus:
        command = {"opusenc", "--quiet", wav, path};
        break;
    case Kind::Flac:
    case Kind::OggFlac:
        command = {"flac", "-s", "-f", "--lax", "-o", path, wav};
        if (kind == Kind::OggFlac)
            command.insert(command.begin() + 1, "--ogg");
        break;
    case Kind::M4a:
        command = ffmpeg;
        command.insert(command.end(), {"-f", "mp4", path});
        break;
    case Kind::Adts:
        command = ffmpeg;
        command.insert(command.end(), {"-f", "adts", path});
        break;
    }
    const bool made = Run(command);
    std::remove(wav.c_str());
    return made;
}

// Median of `runs` timings of `work`.
double Median(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        work();
        times.push_back(Millis(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Frames of one value at any rate, for a rate the player refuses but the
// output must still bear.
class SteadyStream : public SoundStream {
public:
    explicit SteadyStream(int rate) : rate_(rate) {}
    int SampleRate() const override { return rate_; }
    std::size_t Read(float* stereo, std::size_t frames) override
    {
        std::fill(stereo, stereo + 2 * frames, 0.25f);
        return frames;
    }

private:
    int rate_;
};

struct MemoryCase {
    const char* label;
    std::string path; // empty: a SteadyStream at `rate` straight to the output
    int rate;
    Kind kind = Kind::Sndfile;
    double seconds = 0;
};

struct MemoryResult {
    bool ok = false;
    double peakMiB = 0;
    double closeMs = 0;
};

// Plays the case for `seconds` in a child process of its own, so that each
// case's peak resident memory is its own, then closes it.
MemoryResult PlayInChild(const MemoryCase& c, double seconds)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        double closeMs = -1;
        {
            SdlSoundOutput output;
            TMediaPlayer player(output);
            SoundVoiceId voice = 0;
            bool playing = false;
            if (!c.path.empty()) {
                player.FileName = c.path;
                player.Open();
                player.Play();
                playing = player.isPlaying();
            } else {
                output.Open();
                voice = output.Start(std::make_unique<SteadyStream>(c.rate), nullptr);
                playing = voice != 0;
            }
            const auto until = Clock::now() + std::chrono::duration<double>(seconds);
            while (playing && Clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (playing) {
                const auto start = Clock::now();
                if (voice != 0)
                    output.Stop(voice);
                else
                    player.Close();
                closeMs = Millis(Clock::now() - start);
            }
        }
        const bool written = write(fds[1], &closeMs, sizeof closeMs) == sizeof closeMs;
        _exit(written && closeMs >= 0 ? 0 : 1);
    }
    close(fds[1]);
    MemoryResult result;
    double closeMs = -1;
    const bool got = read(fds[0], &closeMs, sizeof closeMs) == sizeof closeMs;
    close(fds[0]);
    int status = 0;
    struct rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child)
        return {};
    result.ok = got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.peakMiB = double(usage.ru_maxrss) / 1024.0;
    result.closeMs = closeMs;
    return result;
}

bool RunMemoryCases(const fs::path& dir)
{
    const int wav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    auto at = [&](const char* name) { return (dir / name).string(); };
    // Three minutes of stereo float is 63 MB: a decoder that held the whole
    // sound would show.
    const std::vector<MemoryCase> cases = {
        {"44.1 kHz WAV, 10 min (reference)", at("ref.wav"), 44100, Kind::Sndfile, 600},
        {"1000 Hz WAV, 10 h (lowest rate played)", at("low.wav"), 1000, Kind::Sndfile, 36000},
        {"768 kHz WAV, 30 s (highest rate played)", at("high.wav"), 768000, Kind::Sndfile, 30},
        {"2 Hz stream straight to the output", "", 2},
        {"44.1 kHz Ogg Vorbis, 3 min", at("long.ogg"), 44100, Kind::Vorbis, 180},
        {"48 kHz Opus, 3 min", at("long.opus"), 44100, Kind::Opus, 180},
        {"44.1 kHz FLAC, 10 min", at("long.flac"), 44100, Kind::Flac, 600},
        {"44.1 kHz M4A (AAC), 3 min", at("long.m4a"), 44100, Kind::M4a, 180},
        {"96 kHz ADTS AAC, 3 min", at("long.aac"), 96000, Kind::Adts, 180},
        {"1000 Hz Ogg FLAC, 10 h (FFmpeg, lowest)", at("low.oga"), 1000, Kind::OggFlac, 36000},
        {"768 kHz Ogg FLAC, 30 s (FFmpeg, highest)", at("high.oga"), 768000, Kind::OggFlac, 30},
    };
    for (const MemoryCase& c : cases)
        if (!c.path.empty() && !MakeSong(c.path, c.kind, wav, c.seconds, c.rate))
            return false;

    const double seconds = 1.5;
    std::printf("peak resident memory while playing %.1f s, each case in a process of its own\n", seconds);
    std::printf("%-44s %10s %10s %12s\n", "sound", "peak MiB", "ratio", "Close");
    bool allOk = true;
    double reference = 0;
    for (const MemoryCase& c : cases) {
        const MemoryResult r = PlayInChild(c, seconds);
        allOk = allOk && r.ok;
        if (reference == 0)
            reference = r.peakMiB;
        std::printf("%-44s %10.1f %9.2fx %9.3f ms%s\n", c.label, r.peakMiB, r.peakMiB / reference, r.closeMs,
                    r.ok ? "" : "  FAILED");
    }
    std::printf("ratio = peak / peak of the 44.1 kHz reference\n\n");
    return allOk;
}

} // namespace

int main()
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    char pattern[] = "/tmp/bimbalo-bench-sound-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const fs::path dir = pattern;

    struct Case {
        const char* label;
        std::string path;
        Kind kind;
        int format;
        double seconds;
    };
    const int mp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    auto at = [&](const char* name) { return (dir / name).string(); };
    std::vector<Case> cases = {
        {"2 s WAV", at("short.wav"), Kind::Sndfile, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2},
        {"2 s MP3", at("short.mp3"), Kind::Sndfile, mp3, 2},
        {"2 s Vorbis", at("short.ogg"), Kind::Vorbis, 0, 2},
        {"2 s Opus", at("short.opus"), Kind::Opus, 0, 2},
        {"2 s FLAC", at("short.flac"), Kind::Flac, 0, 2},
        {"2 s OggFLAC", at("short.oga"), Kind::OggFlac, 0, 2},
        {"2 s M4A", at("short.m4a"), Kind::M4a, 0, 2},
        {"2 s AAC", at("short.aac"), Kind::Adts, 0, 2},
        {"3 min MP3", at("song.mp3"), Kind::Sndfile, mp3, 180},
        {"3 min M4A", at("song.m4a"), Kind::M4a, 0, 180},
    };
    auto made = Clock::now();
    for (const Case& c : cases)
        if (!MakeSong(c.path, c.kind, c.format, c.seconds))
            return 1;
    std::printf("generated test files in %.0f ms\n", Millis(Clock::now() - made));

    // Each case in a child process; they go first, as a child must not
    // inherit an audio device from its parent.
    const bool memoryOk = RunMemoryCases(dir);

    SdlSoundOutput output;
    TMediaPlayer player(output);

    // The device opens on the first Open only; time it on its own.
    player.FileName = cases[0].path;
    auto first = Clock::now();
    player.Open();
    double deviceOpen = Millis(Clock::now() - first);
    player.Close();
    std::printf("first Open (opens the %s audio device): %.3f ms\n\n", std::getenv("SDL_AUDIODRIVER"), deviceOpen);

    const int runs = 21;
    std::printf("%-12s %10s %12s %12s %10s %12s %14s\n", "file", "size KB", "Open+Play", "read file", "ratio",
                "Close", "decode whole");
    bool allPlayed = true;
    for (const Case& c : cases) {
        player.FileName = c.path;
        std::vector<double> openPlayTimes, closeTimes;
        for (int i = 0; i < runs; ++i) {
            auto start = Clock::now();
            player.Open();
            player.Play();
            auto started = Clock::now();
            allPlayed = allPlayed && player.isPlaying();
            player.Close();
            auto closed = Clock::now();
            openPlayTimes.push_back(Millis(started - start));
            closeTimes.push_back(Millis(closed - started));
        }
        std::sort(openPlayTimes.begin(), openPlayTimes.end());
        std::sort(closeTimes.begin(), closeTimes.end());
        double openPlay = openPlayTimes[runs / 2];
        double close = closeTimes[runs / 2];

        std::vector<char> bytes;
        double read = Median(runs, [&] {
            std::ifstream in(c.path, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        });

        double decode = Median(3, [&] {
            std::unique_ptr<SoundStream> stream = OpenSoundFile(c.path);
            std::vector<float> all;
            std::vector<float> block(2 * 4096);
            std::size_t got;
            while ((got = stream->Read(block.data(), 4096)) > 0)
                all.insert(all.end(), block.begin(), block.begin() + std::ptrdiff_t(2 * got));
        });

        std::printf("%-12s %10.0f %9.3f ms %9.3f ms %9.2fx %9.3f ms %11.1f ms\n", c.label, bytes.size() / 1024.0,
                    openPlay, read, openPlay / read, close, decode);
    }
    std::printf("\nmedian of %d runs; ratio = Open+Play / read file; every Play %s\n", runs,
                allPlayed ? "was playing on return" : "FAILED TO PLAY");

    // A spoken caption is made whole when its slide shows: the time from the step to the
    // speech playing, against Open+Play of the 2 s WAV, the step of a slide with a sound.
    player.FileName = cases[0].path;
    const double wavStep = Median(runs, [&] {
        player.Open();
        player.Play();
        player.Close();
    });
    struct Spoken {
        const char* caption;
        const char* voice;
    };
    std::printf("\n%-34s %8s %14s %10s\n", "spoken caption", "voice", "Speak+Play", "ratio");
    bool allSpoken = true;
    for (const Spoken& c : {Spoken{"dog", "en"}, Spoken{"grandma", "en"}, Spoken{"Großmutter", "de-de"},
                            Spoken{"la maison de grand-mère", "fr-fr"}, Spoken{"бабушка и дедушка", "ru"},
                            Spoken{"the big red balloon in the garden", "en"}}) {
        const double step = Median(runs, [&] {
            std::unique_ptr<SoundStream> speech = SpeakText(c.caption, c.voice);
            if (!speech) {
                allSpoken = false;
                return;
            }
            player.PlayStreamIfPossible(std::move(speech));
            allSpoken = allSpoken && player.isPlaying();
            player.Close();
        });
        std::printf("%-34s %8s %11.3f ms %9.2fx\n", c.caption, c.voice, step, step / wavStep);
    }
    std::printf("median of %d runs; ratio = Speak+Play / Open+Play of the 2 s WAV (%.3f ms); every caption %s\n",
                runs, wavStep, allSpoken ? "was playing on return" : "FAILED TO SPEAK");

    std::error_code ec;
    fs::remove_all(dir, ec);
    return allPlayed && memoryOk && allSpoken ? 0 : 1;
}
