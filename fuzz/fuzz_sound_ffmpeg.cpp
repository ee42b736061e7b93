// Feeds arbitrary bytes straight to the FFmpeg side of the sound player (MP4, ADTS AAC, Ogg),
// as a file opened the way the player opens it, and pulls what it decodes for a bounded
// number of frames. Anything but sound, null (not one of its kinds) or an EMCIDeviceError (a
// crash, a sanitizer report, a hang) is a bug.

#include "media/media_player.h"
#include "media/sound_decoders.h"
#include "system/readable_file.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/tmp/bimbalo-fuzz-sound-ffmpeg-" + std::to_string(getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    ReadableFile opened = ReadableFile::Open(path);
    std::remove(path.c_str());
    if (!opened)
        return 0;
    try {
        std::unique_ptr<SoundStream> stream = OpenFfmpegSound(std::move(opened));
        if (stream) {
            std::vector<float> stereo(2 * 4096);
            for (std::size_t frames = 0; frames < 65536;) {
                const std::size_t got = stream->Read(stereo.data(), 4096);
                if (got == 0 || got > 4096)
                    break;
                frames += got;
            }
        }
    } catch (const EMCIDeviceError&) {
    }
    return 0;
}
