// Open+Play of the sound player against merely reading the same file into
// memory (and, for scale, decoding it whole), for a short WAV, a short MP3
// and a three-minute MP3; then the peak resident memory and the Close time
// while long sounds at very low and very high rates play, against a 44.1 kHz
// sound. Runs on SDL's dummy audio driver unless told otherwise.

#include "media/media_player.h"
#include "platform/sound_output_sdl.h"

#include <sndfile.h>
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
    const std::vector<MemoryCase> cases = {
        {"44.1 kHz WAV, 10 min (reference)", (dir / "ref.wav").string(), 44100},
        {"1000 Hz WAV, 10 h (lowest rate played)", (dir / "low.wav").string(), 1000},
        {"768 kHz WAV, 30 s (highest rate played)", (dir / "high.wav").string(), 768000},
        {"2 Hz stream straight to the output", "", 2},
    };
    const double lengths[] = {600, 36000, 30, 0};
    for (std::size_t i = 0; i < cases.size(); ++i)
        if (!cases[i].path.empty() && !WriteSong(cases[i].path, wav, lengths[i], cases[i].rate))
            return false;

    const double seconds = 1.5;
    std::printf("peak resident memory while playing %.1f s, each case in a process of its own\n", seconds);
    std::printf("%-42s %12s %10s %12s\n", "sound", "peak MiB", "ratio", "Close");
    bool allOk = true;
    double reference = 0;
    for (const MemoryCase& c : cases) {
        const MemoryResult r = PlayInChild(c, seconds);
        allOk = allOk && r.ok;
        if (reference == 0)
            reference = r.peakMiB;
        std::printf("%-42s %12.1f %9.2fx %9.3f ms%s\n", c.label, r.peakMiB, r.peakMiB / reference, r.closeMs,
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
        int format;
        double seconds;
    };
    const int mp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    std::vector<Case> cases = {
        {"2 s WAV", (dir / "short.wav").string(), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2},
        {"2 s MP3", (dir / "short.mp3").string(), mp3, 2},
        {"3 min MP3", (dir / "song.mp3").string(), mp3, 180},
    };
    auto made = Clock::now();
    for (const Case& c : cases)
        if (!WriteSong(c.path, c.format, c.seconds))
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
    std::printf("%-10s %10s %12s %12s %10s %12s %14s\n", "file", "size KB", "Open+Play", "read file", "ratio",
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
            SF_INFO info{};
            SNDFILE* file = sf_open(c.path.c_str(), SFM_READ, &info);
            std::vector<float> all;
            std::vector<float> block(2 * 4096);
            sf_count_t got;
            while ((got = sf_readf_float(file, block.data(), 4096)) > 0)
                all.insert(all.end(), block.begin(), block.begin() + got * info.channels);
            sf_close(file);
        });

        std::printf("%-10s %10.0f %9.3f ms %9.3f ms %9.2fx %9.3f ms %11.1f ms\n", c.label, bytes.size() / 1024.0,
                    openPlay, read, openPlay / read, close, decode);
    }
    std::printf("\nmedian of %d runs; ratio = Open+Play / read file; every Play %s\n", runs,
                allPlayed ? "was playing on return" : "FAILED TO PLAY");

    std::error_code ec;
    fs::remove_all(dir, ec);
    return allPlayed && memoryOk ? 0 : 1;
}
