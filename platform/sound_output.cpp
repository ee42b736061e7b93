#include "sound_output.h"

#include "sound_output_sdl.h"

SoundOutput& DefaultSoundOutput()
{
    static SdlSoundOutput output;
    return output;
}
