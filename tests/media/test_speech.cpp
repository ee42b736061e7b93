// Captions said by espeak-ng, and the voice taken from the desktop's language.

#include "media/speech.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

TEST(VoiceForLocale, FollowsTheCLibrarysOrder)
{
    EXPECT_EQ(VoiceForLocale(nullptr, nullptr, nullptr, "de_DE.UTF-8"), "de-de");
    EXPECT_EQ(VoiceForLocale("fr:de", "ru_RU.UTF-8", nullptr, "de_DE.UTF-8"), "fr");
    EXPECT_EQ(VoiceForLocale("fr_CA:de", nullptr, nullptr, nullptr), "fr-ca");
    EXPECT_EQ(VoiceForLocale("", "ru_RU.UTF-8", "es_ES", "de_DE"), "ru-ru");
    EXPECT_EQ(VoiceForLocale(nullptr, "", "es_ES.UTF-8@euro", "de_DE"), "es-es");
    EXPECT_EQ(VoiceForLocale(nullptr, nullptr, nullptr, "pt_BR.UTF-8"), "pt-br");
    EXPECT_EQ(VoiceForLocale(nullptr, nullptr, nullptr, "C.UTF-8"), "en");
    EXPECT_EQ(VoiceForLocale(nullptr, nullptr, nullptr, "POSIX"), "en");
    EXPECT_EQ(VoiceForLocale(nullptr, nullptr, nullptr, nullptr), "en");
}

// The length in seconds and the loudest sample of a whole stream.
std::pair<double, float> Measure(SoundStream& stream)
{
    std::vector<float> buffer(2 * 4096);
    std::size_t frames = 0;
    float peak = 0;
    for (std::size_t n; (n = stream.Read(buffer.data(), 4096)) > 0;) {
        frames += n;
        for (std::size_t i = 0; i < 2 * n; ++i)
            peak = std::max(peak, std::abs(buffer[i]));
    }
    return {double(frames) / stream.SampleRate(), peak};
}

TEST(SpeakText, SaysWordsInTheVoiceAndNothingForNoText)
{
    for (const char* voice : {"en", "de", "fr", "es", "ru", "pt-br", "xx-unknown"}) {
        const auto stream = SpeakText(voice == std::string("ru") ? "бабушка" : "grandma", voice);
        ASSERT_NE(stream, nullptr) << voice;
        const auto [seconds, peak] = Measure(*stream);
        EXPECT_GT(seconds, 0.2) << voice;
        EXPECT_LT(seconds, 5.0) << voice;
        EXPECT_GT(peak, 0.05f) << voice;
    }
    // A longer caption takes longer to say.
    const auto one = SpeakText("dog", "en");
    const auto many = SpeakText("the big brown dog and the little grey cat", "en");
    ASSERT_TRUE(one && many);
    EXPECT_GT(Measure(*many).first, 2 * Measure(*one).first);
    EXPECT_EQ(SpeakText("", "en"), nullptr);
}

} // namespace
