#pragma once

#include "media/sound_output.h"

#include <memory>
#include <string>

// Captions said aloud with espeak-ng, in the desktop's language.

// The espeak-ng voice for the desktop's language, from the variables as the
// C library reads them: the first of LANGUAGE's list, else LC_ALL,
// LC_MESSAGES or LANG ("de_DE.UTF-8" gives "de-de", "fr" gives "fr").
// "C", "POSIX" and nothing give "en".
std::string VoiceForLocale(const char* language, const char* lcAll, const char* lcMessages, const char* lang);

// The speech of text (UTF-8) in the voice, whole, as a stream for an output;
// null when the synthesiser is missing or says nothing for the text. Where
// espeak-ng has no voice of that name, the language alone ("de") speaks,
// and English where it has none for the language either. Called
// on one thread only (the GUI thread).
std::unique_ptr<SoundStream> SpeakText(const std::string& text, const std::string& voice);
