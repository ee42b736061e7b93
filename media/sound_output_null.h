#pragma once

#include "media/sound_output.h"

#include <map>
#include <optional>
#include <vector>

// An output that plays nothing by itself. Tests pull the sound through Pump
// on their own thread, or make Open fail to stand for a missing device.
class NullSoundOutput : public SoundOutput {
public:
    NullSoundOutput() = default;
    // Open throws SoundOutputError with this message.
    explicit NullSoundOutput(std::string openFailure) : openFailure_(std::move(openFailure)) {}

    void Open() override;
    SoundVoiceId Start(std::unique_ptr<SoundStream> stream, std::string* error) override;
    void Stop(SoundVoiceId voice) noexcept override;
    bool IsPlaying(SoundVoiceId voice) const override;

    bool isOpen() const { return open_; }
    std::size_t VoiceCount() const { return voices_.size(); }
    // Reads up to `frames` stereo frames from every playing voice and returns
    // their sum, each voice at its own rate. A voice whose stream runs out
    // stops playing.
    std::vector<float> Pump(std::size_t frames);

private:
    struct Voice {
        std::unique_ptr<SoundStream> stream;
        bool finished = false;
    };
    std::optional<std::string> openFailure_;
    bool open_ = false;
    SoundVoiceId lastId_ = 0;
    std::map<SoundVoiceId, Voice> voices_;
};
