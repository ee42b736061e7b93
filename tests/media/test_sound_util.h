#pragma once

// Helpers for the sound tests: temporary folders, tone files written through
// libsndfile or encoded by the Debian tools, and tone levels measured in
// decoded or played samples.

#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
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

// The kinds a tone is encoded into by a command-line encoder, from a WAV.
enum class Encoder {
    None,    // libsndfile writes the file in Tone::format
    Vorbis,  // Ogg Vorbis, oggenc
    Opus,    // Ogg Opus, opusenc
    Flac,    // flac
    OggFlac, // FLAC in Ogg, flac --ogg
    M4a,     // AAC in MP4, ffmpeg
    Adts,    // raw ADTS AAC, ffmpeg
    Alac,    // Apple Lossless in MP4, ffmpeg
};

struct Tone {
    int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    int rate = 44100;
    int channels = 1;
    double seconds = 0.5;
    double left = 440;  // Hz; the only tone of a mono file
    double right = 440;
    double amplitude = 0.4;
    Encoder encoder = Encoder::None;
    // MP4 only: the index at the start, so that a file cut short still plays
    // its first part; ffmpeg puts it at the end otherwise.
    bool indexFirst = true;
};

// A test's name for a file: its stem and its extension, "stereo.opus" as "stereoOpus".
inline std::string FileLabel(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    std::string extension = name.substr(dot + 1);
    extension[0] = char(std::toupper(static_cast<unsigned char>(extension[0])));
    return name.substr(0, dot) + extension;
}

inline void PrintTo(const Tone& t, std::ostream* os)
{
    *os << t.channels << " ch " << t.rate << " Hz " << t.seconds << " s, tones " << t.left << "/" << t.right;
}

// Runs a program with its arguments and returns its exit status; 127 when it
// could not be started.
inline int RunTool(const std::vector<std::string>& command)
{
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return 127;
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return 127;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

inline void WriteTone(const std::string& path, const Tone& tone);

// Encodes the tone with the encoder's tool. A missing tool fails the test:
// scripts/install-deps.sh installs them all.
inline void EncodeTone(const std::string& path, const Tone& tone)
{
    const std::string wav = path + ".source.wav";
    Tone source = tone;
    source.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    source.encoder = Encoder::None;
    WriteTone(wav, source);
    const std::vector<std::string> ffmpeg = {"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", wav};
    std::vector<std::string> command;
    const char* package = "ffmpeg";
    switch (tone.encoder) {
    case Encoder::None:
        return;
    case Encoder::Vorbis:
        command = {"oggenc", "-Q", "-o", path, wav};
        package = "vorbis-tools";
        break;
    case Encoder::Opus:
        command = {"opusenc", "--quiet", wav, path};
        package = "opus-tools";
        break;
    case Encoder::Flac:
    case Encoder::OggFlac:
        // --lax: rates beyond 48 kHz are outside FLAC's streamable subset.
        command = {"flac", "-s", "-f", "--lax", "--no-padding", "-o", path, wav};
        if (tone.encoder == Encoder::OggFlac)
            command.insert(command.begin() + 1, "--ogg");
        // The WAV names no speakers: FLAC's own order for the count.
        if (tone.channels > 2)
            command.insert(command.begin() + 1, "--channel-map=none");
        package = "flac";
        break;
    case Encoder::M4a:
    case Encoder::Alac:
        command = ffmpeg;
        command.insert(command.end(), {"-c:a", tone.encoder == Encoder::M4a ? "aac" : "alac", "-b:a", "192k"});
        if (tone.indexFirst)
            command.insert(command.end(), {"-movflags", "+faststart"});
        command.insert(command.end(), {"-f", "mp4", path});
        break;
    case Encoder::Adts:
        command = ffmpeg;
        command.insert(command.end(), {"-c:a", "aac", "-b:a", "192k", "-f", "adts", path});
        break;
    }
    EXPECT_EQ(RunTool(command), 0) << command[0] << " (Debian package " << package
                                   << ") failed or is missing: scripts/install-deps.sh installs it";
    std::remove(wav.c_str());
}

// Writes a sine tone file; a stereo file gets a different tone on each side.
inline void WriteTone(const std::string& path, const Tone& tone)
{
    if (tone.encoder != Encoder::None) {
        EncodeTone(path, tone);
        return;
    }
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

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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
