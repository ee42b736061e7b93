#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

// The sample rates an output plays. Beyond the highest SDL's resampler keeps
// a window that grows with the rate; the lowest keeps a file's sound from
// standing for minutes of output per frame.
inline constexpr int kLowestSoundRate = 1000;
inline constexpr int kHighestSoundRate = 768000;

// Decoded sound handed to an output: interleaved stereo float frames at the
// stream's own sample rate. The output converts the rate.
class SoundStream {
public:
    virtual ~SoundStream() = default;
    virtual int SampleRate() const = 0;
    // May block on file I/O, so outputs never call it on their real-time
    // audio thread. Returns the number of frames written; 0 at the end.
    virtual std::size_t Read(float* stereo, std::size_t frames) = 0;
};

class SoundOutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// 0 is never a voice.
using SoundVoiceId = std::uint64_t;

// Where sounds are heard. Every voice started on an output is mixed with
// the others; stopping one leaves the rest alone. All calls come from one
// thread (the GUI thread).
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Makes the output ready; the first successful call opens the device.
    // Throws SoundOutputError with the system's message when it cannot.
    virtual void Open() = 0;
    // Starts playing at once. Returns 0 and sets *error when the stream
    // cannot be played (for instance before a successful Open).
    virtual SoundVoiceId Start(std::unique_ptr<SoundStream> stream, std::string* error) = 0;
    // When this returns, no further sample of the voice is heard and its
    // stream has been destroyed. Unknown ids are ignored.
    virtual void Stop(SoundVoiceId voice) noexcept = 0;
    // True from Start until the voice's last sample has been played or it is stopped.
    virtual bool IsPlaying(SoundVoiceId voice) const = 0;
};
