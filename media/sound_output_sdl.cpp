#include "media/sound_output_sdl.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>

namespace {

constexpr int kRate = 44100;
constexpr int kBufferFrames = 1024;     // about 23 ms per callback
constexpr std::size_t kRingFrames = 16384; // about 0.37 s per voice, a power of two
constexpr std::size_t kChunkFrames = 4096;
constexpr std::size_t kMinReadFrames = 1024;
// SDL's converter works on packets of 512 input frames and hands out a
// packet's output all at once, so a rate far below the device's would turn
// one packet into gigabytes (a minute of output per frame at 1 Hz). Below
// this rate every frame is given several times over, so that no packet
// stands for more than about half a second of output.
constexpr int kLowestConvertedRate = kLowestSoundRate;
constexpr auto kFeederInterval = std::chrono::milliseconds(10);

// Single producer (the feeder), single consumer (the audio callback).
class FrameRing {
public:
    explicit FrameRing(std::size_t frames) : data_(frames * 2), mask_(frames - 1) {}

    std::size_t Space() const
    {
        return data_.size() / 2 - (written_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire));
    }

    void Write(const float* stereo, std::size_t frames)
    {
        std::size_t w = written_.load(std::memory_order_relaxed);
        for (std::size_t i = 0; i < frames; ++i, ++w) {
            std::size_t at = (w & mask_) * 2;
            data_[at] = stereo[2 * i];
            data_[at + 1] = stereo[2 * i + 1];
        }
        written_.store(w, std::memory_order_release);
    }

    // Adds up to `frames` frames onto `out`; returns how many there were.
    std::size_t MixInto(float* out, std::size_t frames)
    {
        std::size_t r = read_.load(std::memory_order_relaxed);
        std::size_t n = std::min(frames, written_.load(std::memory_order_acquire) - r);
        for (std::size_t i = 0; i < n; ++i, ++r) {
            std::size_t at = (r & mask_) * 2;
            out[2 * i] += data_[at];
            out[2 * i + 1] += data_[at + 1];
        }
        read_.store(r, std::memory_order_release);
        return n;
    }

private:
    std::vector<float> data_;
    std::size_t mask_;
    std::atomic<std::size_t> written_{0};
    std::atomic<std::size_t> read_{0};
};

} // namespace

struct SdlSoundOutput::Voice {
    Voice() : ring(kRingFrames) {}

    std::mutex feedMutex; // held by the feeder while it reads; Stop takes it to wait a read out
    std::unique_ptr<SoundStream> stream;  // under feedMutex
    SDL_AudioStream* converter = nullptr; // under feedMutex; null when the rates agree
    bool inputEnded = false;              // under feedMutex
    int repeat = 1;                       // times each frame goes into the converter
    std::size_t readFrames = kChunkFrames; // stream frames per read
    std::atomic<bool> stopping{false};    // Stop is waiting: the feeder lets go after its current step
    FrameRing ring;
    std::atomic<bool> fedAll{false};   // the ring has received the last frame
    std::atomic<bool> finished{false}; // the mixer has played the last frame
};

SdlSoundOutput::SdlSoundOutput() = default;

SdlSoundOutput::~SdlSoundOutput()
{
    std::vector<SoundVoiceId> ids;
    for (const auto& [id, voice] : voices_)
        ids.push_back(id);
    for (SoundVoiceId id : ids)
        Stop(id);
    if (device_ == 0)
        return;
    {
        std::lock_guard lock(feederMutex_);
        feederQuit_ = true;
    }
    feederWake_.notify_one();
    feeder_.join();
    SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlSoundOutput::Open()
{
    if (device_ != 0)
        return;
    // SDL would otherwise turn Ctrl+C into an SDL_QUIT event nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Bimbalo");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        throw SoundOutputError(SDL_GetError());

    SDL_AudioSpec want{};
    want.freq = kRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kBufferFrames;
    want.callback = &SdlSoundOutput::AudioCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No allowed changes: SDL converts to whatever the hardware wants, so the
    // callback always sees float stereo at kRate.
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        std::string message = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        throw SoundOutputError(message);
    }
    device_ = device;
    rate_ = have.freq;
    bufferFrames_ = have.samples;
    feederQuit_ = false;
    feeder_ = std::thread(&SdlSoundOutput::FeederLoop, this);
    SDL_PauseAudioDevice(device_, 0);
}

SoundVoiceId SdlSoundOutput::Start(std::unique_ptr<SoundStream> stream, std::string* error)
{
    auto fail = [&](const std::string& message) -> SoundVoiceId {
        if (error)
            *error = message;
        return 0;
    };
    if (device_ == 0)
        return fail("The sound output is not open");
    if (!stream)
        return fail("Nothing to play");
    auto voice = std::make_shared<Voice>();
    const int rate = stream->SampleRate();
    if (rate < 1 || rate > kHighestSoundRate)
        return fail("Unsupported sample rate: " + std::to_string(rate) + " Hz");
    if (rate < kLowestConvertedRate)
        voice->repeat = (kLowestConvertedRate + rate - 1) / rate;
    const int convertedRate = rate * voice->repeat;
    if (convertedRate != rate_ || voice->repeat > 1) {
        voice->converter = SDL_NewAudioStream(AUDIO_F32SYS, 2, convertedRate, AUDIO_F32SYS, 2, rate_);
        if (!voice->converter)
            return fail(SDL_GetError());
        // About a chunk of output per read, so that one step of the feeder
        // stays short whatever the rate.
        const auto frames = std::uint64_t(kChunkFrames) * std::uint64_t(convertedRate) / std::uint64_t(rate_)
                            / std::uint64_t(voice->repeat);
        voice->readFrames = std::clamp<std::size_t>(std::size_t(std::min<std::uint64_t>(frames, kChunkFrames)), 1,
                                                    std::max<std::size_t>(kChunkFrames / std::size_t(voice->repeat), 1));
    }
    voice->stream = std::move(stream);

    SoundVoiceId id = ++lastId_;
    voices_.emplace(id, voice);
    {
        std::lock_guard lock(feederMutex_);
        feeding_.push_back(voice);
        feederKick_ = true;
    }
    feederWake_.notify_one();
    SDL_LockAudioDevice(device_);
    mixing_.push_back(voice);
    SDL_UnlockAudioDevice(device_);
    return id;
}

void SdlSoundOutput::Stop(SoundVoiceId id) noexcept
{
    auto it = voices_.find(id);
    if (it == voices_.end())
        return;
    std::shared_ptr<Voice> voice = std::move(it->second);
    voices_.erase(it);

    // Once the callback can no longer see the voice, nothing more of it is heard.
    SDL_LockAudioDevice(device_);
    mixing_.erase(std::remove(mixing_.begin(), mixing_.end(), voice), mixing_.end());
    SDL_UnlockAudioDevice(device_);
    {
        std::lock_guard lock(feederMutex_);
        feeding_.erase(std::remove(feeding_.begin(), feeding_.end(), voice), feeding_.end());
    }
    std::unique_ptr<SoundStream> stream;
    SDL_AudioStream* converter = nullptr;
    voice->stopping.store(true, std::memory_order_relaxed);
    {
        std::lock_guard lock(voice->feedMutex);
        stream = std::move(voice->stream);
        std::swap(converter, voice->converter);
    }
    // The feeder may still hold the voice for a moment, but not its stream:
    // the file is closed here, on the caller's thread.
    if (converter)
        SDL_FreeAudioStream(converter);
    stream.reset();
}

bool SdlSoundOutput::IsPlaying(SoundVoiceId id) const
{
    auto it = voices_.find(id);
    return it != voices_.end() && !it->second->finished.load(std::memory_order_acquire);
}

void SdlSoundOutput::AudioCallback(void* self, std::uint8_t* out, int bytes)
{
    static_cast<SdlSoundOutput*>(self)->Mix(reinterpret_cast<float*>(out), bytes / int(2 * sizeof(float)));
}

void SdlSoundOutput::Mix(float* out, int frames)
{
    std::fill(out, out + 2 * frames, 0.0f);
    for (const auto& voice : mixing_) {
        if (voice->finished.load(std::memory_order_relaxed))
            continue;
        // Read before mixing: if everything had arrived and the ring still runs
        // short, the voice is done. A short ring otherwise is an underrun.
        bool fedAll = voice->fedAll.load(std::memory_order_acquire);
        std::size_t got = voice->ring.MixInto(out, std::size_t(frames));
        if (fedAll && got < std::size_t(frames))
            voice->finished.store(true, std::memory_order_release);
    }
    // Voices add up past full scale; a float file may also hold NaN.
    for (int i = 0; i < 2 * frames; ++i) {
        float v = out[i];
        out[i] = v > 1.0f ? 1.0f : v < -1.0f ? -1.0f : v == v ? v : 0.0f;
    }
}

void SdlSoundOutput::FeederLoop()
{
    std::vector<std::shared_ptr<Voice>> work;
    for (;;) {
        {
            std::unique_lock lock(feederMutex_);
            auto woken = [this] { return feederQuit_ || feederKick_; };
            if (feeding_.empty())
                feederWake_.wait(lock, woken);
            else
                feederWake_.wait_for(lock, kFeederInterval, woken);
            if (feederQuit_)
                return;
            feederKick_ = false;
            work.assign(feeding_.begin(), feeding_.end());
        }
        for (const auto& voice : work)
            Feed(*voice);
        work.clear();
    }
}

void SdlSoundOutput::Feed(Voice& voice)
{
    std::lock_guard lock(voice.feedMutex);
    if (!voice.stream || voice.fedAll.load(std::memory_order_relaxed))
        return;
    readBuffer_.resize(2 * kChunkFrames);
    for (;;) {
        if (voice.stopping.load(std::memory_order_relaxed))
            return;
        std::size_t space = voice.ring.Space();
        if (voice.converter) {
            int available = SDL_AudioStreamAvailable(voice.converter) / int(2 * sizeof(float));
            if (available > 0) {
                std::size_t want = std::min({space, std::size_t(available), kChunkFrames});
                if (want == 0)
                    return;
                convertBuffer_.resize(2 * want);
                int got = SDL_AudioStreamGet(voice.converter, convertBuffer_.data(), int(want * 2 * sizeof(float)));
                if (got <= 0)
                    break;
                voice.ring.Write(convertBuffer_.data(), std::size_t(got) / (2 * sizeof(float)));
                continue;
            }
        }
        if (voice.inputEnded)
            break;
        if (space < kMinReadFrames)
            return;
        std::size_t want = voice.converter ? voice.readFrames : std::min(space, kChunkFrames);
        std::size_t got = voice.stream->Read(readBuffer_.data(), want);
        if (got == 0) {
            voice.inputEnded = true;
            if (voice.converter)
                SDL_AudioStreamFlush(voice.converter);
            continue;
        }
        if (!voice.converter) {
            voice.ring.Write(readBuffer_.data(), got);
            continue;
        }
        const float* input = readBuffer_.data();
        std::size_t frames = got;
        if (voice.repeat > 1) {
            const std::size_t repeat = std::size_t(voice.repeat);
            repeatBuffer_.resize(2 * got * repeat);
            for (std::size_t i = 0; i < got; ++i)
                for (std::size_t r = 0; r < repeat; ++r) {
                    repeatBuffer_[2 * (i * repeat + r)] = readBuffer_[2 * i];
                    repeatBuffer_[2 * (i * repeat + r) + 1] = readBuffer_[2 * i + 1];
                }
            input = repeatBuffer_.data();
            frames = got * repeat;
        }
        if (SDL_AudioStreamPut(voice.converter, input, int(frames * 2 * sizeof(float))) != 0) {
            voice.inputEnded = true;
            SDL_AudioStreamFlush(voice.converter);
        }
    }
    voice.fedAll.store(true, std::memory_order_release);
}
