#include "media/speech.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

namespace {

std::string LocaleName(const char* language, const char* lcAll, const char* lcMessages, const char* lang)
{
    if (language && *language) {
        const std::string list(language);
        const std::string first = list.substr(0, list.find(':'));
        if (!first.empty())
            return first;
    }
    for (const char* value : {lcAll, lcMessages, lang})
        if (value && *value)
            return value;
    return {};
}

// The whole of a caption's speech: mono 16-bit samples at the synthesiser's rate.
class SpeechStream final : public SoundStream {
public:
    SpeechStream(std::vector<short> samples, int rate) : samples_(std::move(samples)), rate_(rate) {}
    int SampleRate() const override { return rate_; }
    std::size_t Read(float* stereo, std::size_t frames) override
    {
        const std::size_t n = std::min(frames, samples_.size() - at_);
        for (std::size_t i = 0; i < n; ++i)
            stereo[2 * i] = stereo[2 * i + 1] = float(samples_[at_ + i]) / 32768.0f;
        at_ += n;
        return n;
    }

private:
    std::vector<short> samples_;
    std::size_t at_ = 0;
    int rate_;
};

int Collect(short* wav, int count, espeak_EVENT* events)
{
    if (wav && count > 0 && events && events->user_data) {
        auto* samples = static_cast<std::vector<short>*>(events->user_data);
        // A caption says a word or a few: anything past a minute is no caption.
        if (samples->size() < 60u * 48000u)
            samples->insert(samples->end(), wav, wav + count);
    }
    return 0;
}

// The synthesiser's sample rate once it has started; 0 when it cannot.
int Synthesiser()
{
    static const int rate = [] {
        const int r = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
        if (r > 0)
            espeak_SetSynthCallback(&Collect);
        return r > 0 ? r : 0;
    }();
    return rate;
}

} // namespace

std::string VoiceForLocale(const char* language, const char* lcAll, const char* lcMessages, const char* lang)
{
    std::string name = LocaleName(language, lcAll, lcMessages, lang);
    name = name.substr(0, name.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX")
        return "en";
    std::string voice;
    for (char c : name)
        voice += c == '_' ? '-' : char(std::tolower(static_cast<unsigned char>(c)));
    return voice;
}

std::unique_ptr<SoundStream> SpeakText(const std::string& text, const std::string& voice)
{
    const int rate = Synthesiser();
    if (rate <= 0 || text.empty())
        return nullptr;
    // "pt-br" first, then its language alone, then English.
    const std::string language = voice.substr(0, voice.find('-'));
    if (espeak_SetVoiceByName(voice.c_str()) != EE_OK && espeak_SetVoiceByName(language.c_str()) != EE_OK
        && espeak_SetVoiceByName("en") != EE_OK)
        return nullptr;
    std::vector<short> samples;
    if (espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, &samples) != EE_OK)
        return nullptr;
    espeak_Synchronize();
    if (std::none_of(samples.begin(), samples.end(), [](short s) { return s != 0; }))
        return nullptr;
    return std::make_unique<SpeechStream>(std::move(samples), rate);
}
