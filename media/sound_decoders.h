#pragma once

// The decoders behind TMediaPlayer. Each hands out a SoundStream that reads
// its file as the output asks for frames, and raises EMCIDeviceError (see
// media/media_player.h) when it cannot.

#include "system/readable_file.h"
#include "media/sound_output.h"

#include <memory>
#include <string>

// Opens the sound file at `path` with whichever decoder reads its content.
// The file is opened without waiting and checked through its descriptor, so
// a pipe or a device in its place is refused rather than waited on.
std::unique_ptr<SoundStream> OpenSoundFile(const std::string& path);

// What libsndfile does not read, through FFmpeg: AAC and ALAC in MP4 (.m4a),
// raw ADTS AAC (.aac), FLAC in Ogg (.oga), and Ogg Vorbis and Opus that are
// cut short. Reads `file` from its start.
// Returns null when the content is none of these; raises EMCIDeviceError
// when it is one of them but cannot be played.
std::unique_ptr<SoundStream> OpenFfmpegSound(ReadableFile file);

// Raises EMCIDeviceError for a rate outside TMediaPlayer's limits.
void RequirePlayableRate(int rate);
