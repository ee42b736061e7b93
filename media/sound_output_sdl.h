#pragma once

#include "media/sound_output.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

// Sound output through SDL2 audio: float stereo, mixed by our own callback.
//
// Decoding runs on a feeder thread of the output, which reads every voice's
// stream into that voice's ring buffer; the audio callback only mixes what the
// rings hold. File reads and MP3 decoding can stall (slow disks, network
// folders), and a stall on SDL's audio thread would be heard as a dropout in
// every voice, so they stay off it. A ring holds a few tenths of a second,
// which covers the feeder's wake-up interval many times over. The feeder
// works in steps of about a chunk of output whatever the stream's rate, so
// memory stays small and Stop never waits for more than one step.
class SdlSoundOutput : public SoundOutput {
public:
    SdlSoundOutput();
    ~SdlSoundOutput() override;
    SdlSoundOutput(const SdlSoundOutput&) = delete;
    SdlSoundOutput& operator=(const SdlSoundOutput&) = delete;

    void Open() override;
    SoundVoiceId Start(std::unique_ptr<SoundStream> stream, std::string* error) override;
    void Stop(SoundVoiceId voice) noexcept override;
    bool IsPlaying(SoundVoiceId voice) const override;

    bool isOpen() const { return device_ != 0; }
    // Valid once open.
    int SampleRate() const { return rate_; }
    int BufferFrames() const { return bufferFrames_; }

    struct Voice;

private:
    static void AudioCallback(void* self, std::uint8_t* out, int bytes);
    void Mix(float* out, int frames);
    void FeederLoop();
    void Feed(Voice& voice);

    std::uint32_t device_ = 0;
    int rate_ = 0;
    int bufferFrames_ = 0;
    SoundVoiceId lastId_ = 0;

    // GUI thread only.
    std::unordered_map<SoundVoiceId, std::shared_ptr<Voice>> voices_;
    // Changed only with the audio device locked, read by the audio callback.
    std::vector<std::shared_ptr<Voice>> mixing_;

    std::mutex feederMutex_;
    std::condition_variable feederWake_;
    std::vector<std::shared_ptr<Voice>> feeding_; // under feederMutex_
    bool feederQuit_ = false;                      // under feederMutex_
    bool feederKick_ = false;                      // under feederMutex_
    std::thread feeder_;
    std::vector<float> readBuffer_;                // feeder thread only
    std::vector<float> convertBuffer_;             // feeder thread only
    std::vector<float> repeatBuffer_;              // feeder thread only
};
