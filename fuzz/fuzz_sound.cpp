// Feeds arbitrary bytes to the sound player as a sound file and pulls what it decodes, as an
// output would, for a bounded number of frames. Anything but sound or an EMCIDeviceError (a
// crash, a sanitizer report, a hang) is a bug. The first byte picks the file's extension.

#include "media/media_player.h"
#include "media/sound_output_null.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const std::string stem = "/tmp/bimbalo-fuzz-sound-" + std::to_string(getpid());
    const std::string path = stem + (data[0] % 2 == 0 ? ".wav" : ".mp3");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);

    NullSoundOutput output;
    {
        TMediaPlayer player(output);
        player.FileName = path;
        try {
            player.Open();
            player.Play();
            for (std::size_t frames = 0; frames < 65536 && player.isPlaying(); frames += 4096)
                output.Pump(4096);
        } catch (const EMCIDeviceError&) {
        }
        player.Close();
    }
    std::remove(path.c_str());
    return 0;
}
