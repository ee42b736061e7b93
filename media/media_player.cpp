#include "media/media_player.h"

#include "media/sound_decoders.h"
#include "system/readable_file.h"

#include <fcntl.h>
#include <sndfile.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace {

const char* const kUnknownError = "Unknown error code";

std::string ErrorText(const char* text)
{
    return text && *text ? std::string(text) : std::string(kUnknownError);
}

// A sound file read through libsndfile (WAV and the like, MP3 through mpg123,
// FLAC, Ogg Vorbis and Opus), handed out as stereo float.
class SndfileStream : public SoundStream {
public:
    SndfileStream(SNDFILE* file, const SF_INFO& info) : file_(file), info_(info) {}
    ~SndfileStream() override { sf_close(file_); }
    SndfileStream(const SndfileStream&) = delete;
    SndfileStream& operator=(const SndfileStream&) = delete;

    int SampleRate() const override { return info_.samplerate; }

    std::size_t Read(float* stereo, std::size_t frames) override
    {
        const int channels = info_.channels;
        if (channels == 2) {
            sf_count_t got = sf_readf_float(file_, stereo, sf_count_t(frames));
            return got > 0 ? std::size_t(got) : 0;
        }
        native_.resize(frames * std::size_t(channels));
        sf_count_t got = sf_readf_float(file_, native_.data(), sf_count_t(frames));
        if (got <= 0)
            return 0;
        // Mono goes to both sides; beyond two channels, the first two are the
        // front left and right in every format libsndfile reads.
        const std::size_t rightOffset = channels == 1 ? 0 : 1;
        for (std::size_t i = 0; i < std::size_t(got); ++i) {
            const float* frame = &native_[i * std::size_t(channels)];
            stereo[2 * i] = frame[0];
            stereo[2 * i + 1] = frame[rightOffset];
        }
        return std::size_t(got);
    }

private:
    SNDFILE* file_;
    SF_INFO info_;
    std::vector<float> native_;
};

} // namespace

void RequirePlayableRate(int rate)
{
    // A rate of a few hertz makes every frame last long: a small file would
    // stand for hours of sound, with the resampling to match.
    if (rate < TMediaPlayer::kLowestSampleRate)
        throw EMCIDeviceError("The sound's sample rate of " + std::to_string(rate)
                              + " Hz is too low to play: the lowest is "
                              + std::to_string(TMediaPlayer::kLowestSampleRate) + " Hz");
    if (rate > TMediaPlayer::kHighestSampleRate)
        throw EMCIDeviceError("The sound's sample rate of " + std::to_string(rate)
                              + " Hz is too high to play: the highest is "
                              + std::to_string(TMediaPlayer::kHighestSampleRate) + " Hz");
}

// The decoder is chosen by the content, never by the name: libsndfile knows
// its formats by their content whatever the file is called, and files are
// often misnamed (MP4 sounds saved as ".aac", ADTS saved as ".m4a"). So
// libsndfile tries first, as it always did, and only what it cannot read goes
// on to FFmpeg, which takes no more than the few containers and codecs named
// in sound_ffmpeg.cpp. Whatever neither reads keeps libsndfile's word for why.
std::unique_ptr<SoundStream> OpenSoundFile(const std::string& path)
{
    // Opened without waiting, and checked through the descriptor: a pipe or
    // a device put in the file's place must not hang the caller.
    ReadableFile opened = ReadableFile::Open(path);
    switch (opened.fault()) {
    case ReadableFile::Fault::None:
        break;
    case ReadableFile::Fault::Folder:
    case ReadableFile::Fault::NotRegular:
        throw EMCIDeviceError(ErrorText(sf_error_number(SF_ERR_UNRECOGNISED_FORMAT)));
    default:
        // As libsndfile words a failed open of its own.
        throw EMCIDeviceError("System error : " + opened.reason() + ".");
    }

    // libsndfile gets a descriptor of its own: it closes the one it is given
    // when it fails, even when told not to, and FFmpeg reads ours then.
    const int forSndfile = fcntl(opened.fd(), F_DUPFD_CLOEXEC, 0);
    if (forSndfile < 0)
        throw EMCIDeviceError("System error : " + std::string(std::strerror(errno)) + ".");
    SF_INFO info{};
    if (SNDFILE* file = sf_open_fd(forSndfile, SFM_READ, &info, SF_TRUE)) {
        auto stream = std::make_unique<SndfileStream>(file, info);
        if (info.channels < 1)
            throw EMCIDeviceError(kUnknownError);
        RequirePlayableRate(info.samplerate);
        return stream;
    }
    const std::string sndfileError = sf_error(nullptr) == SF_ERR_NO_ERROR ? std::string(kUnknownError)
                                                                        : ErrorText(sf_strerror(nullptr));
    if (auto stream = OpenFfmpegSound(std::move(opened)))
        return stream;
    throw EMCIDeviceError(sndfileError);
}

TMediaPlayer::TMediaPlayer(SoundOutput& output) : output_(output) {}

TMediaPlayer::~TMediaPlayer()
{
    Close();
}

void TMediaPlayer::Open()
{
    Close();

    std::unique_ptr<SoundStream> stream = OpenSoundFile(FileName);

    try {
        output_.Open();
    } catch (const SoundOutputError& e) {
        const std::string problem = ErrorText(e.what());
        if (OnDeviceProblem)
            OnDeviceProblem(problem);
        throw EMCIDeviceError(problem);
    }
    if (OnDeviceProblem)
        OnDeviceProblem({});
    pending_ = std::move(stream);
    playError_.clear();
    open_ = true;
}

bool TMediaPlayer::PlayIfPossible(const std::string& path)
{
    try {
        FileName = path;
        Open();
        Play();
        return voice_ != 0;
    } catch (const EMCIDeviceError&) {
        return false;
    }
}

void TMediaPlayer::PlayStreamIfPossible(std::unique_ptr<SoundStream> stream)
{
    Close();
    if (!stream)
        return;
    try {
        output_.Open();
    } catch (const SoundOutputError& e) {
        if (OnDeviceProblem)
            OnDeviceProblem(ErrorText(e.what()));
        return;
    }
    pending_ = std::move(stream);
    playError_.clear();
    open_ = true;
    Play();
}

void TMediaPlayer::Play()
{
    if (!open_)
        throw EMCIDeviceError("No MCI device open");
    // Already started (or failed to): it plays on from where it is.
    if (!pending_)
        return;
    std::string error;
    voice_ = output_.Start(std::move(pending_), &error);
    if (voice_ == 0)
        playError_ = ErrorText(error.c_str());
}

void TMediaPlayer::Close() noexcept
{
    if (voice_ != 0)
        output_.Stop(voice_);
    voice_ = 0;
    pending_.reset();
    open_ = false;
}

bool TMediaPlayer::isPlaying() const
{
    return voice_ != 0 && output_.IsPlaying(voice_);
}
