#include "media/sound_output_null.h"

void NullSoundOutput::Open()
{
    if (openFailure_)
        throw SoundOutputError(*openFailure_);
    open_ = true;
}

SoundVoiceId NullSoundOutput::Start(std::unique_ptr<SoundStream> stream, std::string* error)
{
    if (!open_ || !stream) {
        if (error)
            *error = open_ ? "Nothing to play" : "The sound output is not open";
        return 0;
    }
    SoundVoiceId id = ++lastId_;
    voices_[id].stream = std::move(stream);
    return id;
}

void NullSoundOutput::Stop(SoundVoiceId voice) noexcept
{
    voices_.erase(voice);
}

bool NullSoundOutput::IsPlaying(SoundVoiceId voice) const
{
    auto it = voices_.find(voice);
    return it != voices_.end() && !it->second.finished;
}

std::vector<float> NullSoundOutput::Pump(std::size_t frames)
{
    std::vector<float> mix(2 * frames, 0.0f);
    std::vector<float> chunk(2 * frames);
    for (auto& [id, voice] : voices_) {
        std::size_t done = 0;
        while (!voice.finished && done < frames) {
            std::size_t got = voice.stream->Read(chunk.data(), frames - done);
            if (got == 0)
                voice.finished = true;
            for (std::size_t i = 0; i < 2 * got; ++i)
                mix[2 * done + i] += chunk[i];
            done += got;
        }
    }
    return mix;
}
