// Open+Play of the sound player against merely reading the same file into
// memory (and, for scale, decoding it whole), for a short WAV, a short MP3
// and a three-minute MP3. Runs on SDL's dummy audio driver unless told otherwise.

#include "media_player.h"
#include "sound_output_sdl.h"

#include <sndfile.h>

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
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Millis(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

bool WriteSong(const std::string& path, int format, double seconds)
{
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    // A few chords' worth of changing tones, so the encoder has something to do.
    std::vector<float> block(2 * 4410);
    const long frames = long(seconds * 44100);
    for (long done = 0; done < frames; done += 4410) {
        double f = 220.0 * std::pow(2.0, double((done / 22050) % 12) / 12.0);
        for (long i = 0; i < 4410; ++i) {
            double t = double(done + i) / 44100;
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
    return allPlayed ? 0 : 1;
}
