#pragma once

// Helpers for the sound tests: temporary folders, tone files written through
// libsndfile, and tone levels measured in decoded or played samples.

#include <sndfile.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace soundtest {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "bimbalo-sound-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

constexpr int kMp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;

struct Tone {
    int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    int rate = 44100;
    int channels = 1;
    double seconds = 0.5;
    double left = 440;  // Hz; the only tone of a mono file
    double right = 440;
    double amplitude = 0.4;
};

inline void PrintTo(const Tone& t, std::ostream* os)
{
    *os << t.channels << " ch " << t.rate << " Hz " << t.seconds << " s, tones " << t.left << "/" << t.right;
}

// Writes a sine tone file; a stereo file gets a different tone on each side.
inline void WriteTone(const std::string& path, const Tone& tone)
{
    SF_INFO info{};
    info.samplerate = tone.rate;
    info.channels = tone.channels;
    info.format = tone.format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const auto frames = static_cast<std::size_t>(tone.seconds * tone.rate);
    std::vector<float> data(frames * std::size_t(tone.channels));
    for (std::size_t i = 0; i < frames; ++i) {
        double t = double(i) / tone.rate;
        for (int c = 0; c < tone.channels; ++c) {
            double f = c == 0 ? tone.left : tone.right;
            data[i * std::size_t(tone.channels) + std::size_t(c)] =
                float(tone.amplitude * std::sin(2 * std::numbers::pi * f * t));
        }
    }
    EXPECT_EQ(sf_writef_float(file, data.data(), sf_count_t(frames)), sf_count_t(frames));
    sf_close(file);
}

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The amplitude of the sine at `freq` in one channel of interleaved stereo
// (Goertzel over the window).
inline double ToneLevel(const std::vector<float>& stereo, std::size_t first, std::size_t frames, int channel,
                        double rate, double freq)
{
    const double coeff = 2 * std::cos(2 * std::numbers::pi * freq / rate);
    double s1 = 0, s2 = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        double s = stereo[2 * (first + i) + std::size_t(channel)] + coeff * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / double(frames);
}

inline double Peak(const std::vector<float>& stereo, std::size_t first, std::size_t frames)
{
    double peak = 0;
    for (std::size_t i = 2 * first; i < 2 * (first + frames) && i < stereo.size(); ++i)
        peak = std::max(peak, double(std::fabs(stereo[i])));
    return peak;
}

// Polls until `done` holds or the time is up.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace soundtest
