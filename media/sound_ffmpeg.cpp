#include "media/sound_decoders.h"

#include "media/media_player.h"
#include "system/readable_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

// libavformat would try every demuxer it has on whatever it is given; only
// these may open a file, and only these decoders decode what they find. They
// are what libsndfile does not read: MP4 ("mov" is the demuxer of the whole
// family) with AAC or ALAC, raw ADTS AAC, and Ogg. libsndfile 1.2.0 knows Ogg
// but fails to decode FLAC in it, and refuses Vorbis and Opus files whose end
// is missing (it looks for their length there), which FFmpeg plays as far
// as they go.
const char* const kDemuxers = "mov,aac,ogg";
constexpr AVCodecID kDecoders[] = {AV_CODEC_ID_AAC, AV_CODEC_ID_ALAC, AV_CODEC_ID_FLAC, AV_CODEC_ID_VORBIS,
                                   AV_CODEC_ID_OPUS};

constexpr int kIoBufferBytes = 32 * 1024;
// How much of the file the format may be guessed from, as libavformat's own default.
constexpr unsigned kProbeBytes = 1 << 20;
// Frames converted at a time: a FLAC frame may hold 65535.
constexpr int kSliceFrames = 4096;
// Packets in a row that give no sound before the rest counts as lost: a
// damaged file still ends, and a Read never runs through a whole file.
constexpr int kPacketsWithoutSound = 512;
// libswresample's limit.
constexpr int kMostChannels = 64;

std::string AvErrorText(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

// FFmpeg tells why a file is damaged only in its log ("moov atom not found"),
// and logs every flaw of a damaged file it plays on. Nothing of it reaches the
// terminal; while a file is being opened, its first error is kept for the
// message.
thread_local std::string* t_logError = nullptr;

void LogCallback(void* context, int level, const char* format, va_list args)
{
    if (!t_logError || !t_logError->empty() || level > AV_LOG_ERROR)
        return;
    char line[256];
    int printPrefix = 0;
    av_log_format_line2(context, level, format, args, line, sizeof line, &printPrefix);
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    *t_logError = text;
}

class LogCapture {
public:
    LogCapture()
    {
        static std::once_flag once;
        std::call_once(once, [] { av_log_set_callback(&LogCallback); });
        t_logError = &text_;
    }
    ~LogCapture() { t_logError = nullptr; }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::string& text() const { return text_; }

private:
    std::string text_;
};

int ReadFromFile(void* opaque, std::uint8_t* buffer, int size)
{
    const int fd = static_cast<ReadableFile*>(opaque)->fd();
    for (;;) {
        const ssize_t got = ::read(fd, buffer, std::size_t(size));
        if (got > 0)
            return int(got);
        if (got == 0)
            return AVERROR_EOF;
        if (errno != EINTR)
            return AVERROR(errno);
    }
}

std::int64_t SeekInFile(void* opaque, std::int64_t offset, int whence)
{
    const int fd = static_cast<ReadableFile*>(opaque)->fd();
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) {
        struct stat st {};
        return ::fstat(fd, &st) == 0 ? std::int64_t(st.st_size) : AVERROR(errno);
    }
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END)
        return AVERROR(EINVAL);
    const off_t at = ::lseek(fd, off_t(offset), whence);
    return at < 0 ? AVERROR(errno) : std::int64_t(at);
}

bool OneOfOurDecoders(AVCodecID id)
{
    return std::find(std::begin(kDecoders), std::end(kDecoders), id) != std::end(kDecoders);
}

// A sound decoded by FFmpeg, packet by packet as frames are asked for, and
// handed out as stereo float at the rate of its first frame.
class FfmpegStream : public SoundStream {
public:
    enum class Opened { Yes, NotOurs };

    explicit FfmpegStream(ReadableFile file) : file_(std::move(file)) {}
    ~FfmpegStream() override
    {
        swr_free(&converter_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&decoder_);
        avformat_close_input(&format_);
        if (io_)
            av_freep(&io_->buffer);
        avio_context_free(&io_);
        av_channel_layout_uninit(&inLayout_);
    }
    FfmpegStream(const FfmpegStream&) = delete;
    FfmpegStream& operator=(const FfmpegStream&) = delete;

    // Raises EMCIDeviceError for a file of our kinds that cannot be played.
    Opened Open()
    {
        LogCapture log;
        auto damaged = [&](int error) {
            const std::string why = !log.text().empty() ? log.text() : AvErrorText(error);
            return EMCIDeviceError(error == AVERROR_INVALIDDATA || error == AVERROR_EOF
                                       ? "The sound file is damaged: " + why
                                       : "The sound file cannot be read: " + why);
        };

        if (::lseek(file_.fd(), 0, SEEK_SET) != 0)
            throw EMCIDeviceError("System error : " + std::string(std::strerror(errno)) + ".");
        auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
        if (buffer)
            io_ = avio_alloc_context(buffer, kIoBufferBytes, 0, &file_, &ReadFromFile, nullptr, &SeekInFile);
        if (!io_) {
            av_free(buffer);
            throw EMCIDeviceError(AvErrorText(AVERROR(ENOMEM)));
        }

        // The format is told by the content, among our demuxers only.
        const AVInputFormat* input = nullptr;
        if (av_probe_input_buffer2(io_, &input, "", nullptr, 0, kProbeBytes) < 0 || !input
            || av_match_list(input->name, kDemuxers, ',') <= 0)
            return Opened::NotOurs;

        // Where it can, the Ogg demuxer reads the last page for the length,
        // and fails when the file is cut short: it is given none.
        if (std::strcmp(input->name, "ogg") == 0)
            io_->seekable = 0;

        format_ = avformat_alloc_context();
        if (!format_)
            throw EMCIDeviceError(AvErrorText(AVERROR(ENOMEM)));
        format_->pb = io_;
        format_->flags |= AVFMT_FLAG_CUSTOM_IO;
        AVDictionary* options = nullptr;
        av_dict_set(&options, "format_whitelist", kDemuxers, 0);
        const int opened = avformat_open_input(&format_, nullptr, input, &options);
        av_dict_free(&options);
        if (opened < 0)
            throw damaged(opened); // and format_ has been freed

        for (unsigned i = 0; i < format_->nb_streams; ++i) {
            const AVCodecParameters* codec = format_->streams[i]->codecpar;
            if (stream_ < 0 && codec->codec_type == AVMEDIA_TYPE_AUDIO && OneOfOurDecoders(codec->codec_id))
                stream_ = int(i);
            else
                format_->streams[i]->discard = AVDISCARD_ALL;
        }
        if (stream_ < 0)
            return Opened::NotOurs;

        const AVStream* stream = format_->streams[stream_];
        const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
        if (!codec)
            throw EMCIDeviceError("FFmpeg has no decoder for the sound's "
                                  + std::string(avcodec_get_name(stream->codecpar->codec_id)));
        decoder_ = avcodec_alloc_context3(codec);
        packet_ = av_packet_alloc();
        frame_ = av_frame_alloc();
        if (!decoder_ || !packet_ || !frame_)
            throw EMCIDeviceError(AvErrorText(AVERROR(ENOMEM)));
        int result = avcodec_parameters_to_context(decoder_, stream->codecpar);
        if (result >= 0) {
            decoder_->pkt_timebase = stream->time_base;
            decoder_->thread_count = 1;
            result = avcodec_open2(decoder_, codec, nullptr);
        }
        if (result < 0)
            throw damaged(result);

        // The rate is the first frame's: HE-AAC's doubles that of the
        // stream's header once its second band is decoded.
        if (!NextFrame())
            throw damaged(AVERROR_INVALIDDATA);
        rate_ = frame_->sample_rate;
        RequirePlayableRate(rate_);
        if (!Configure())
            throw EMCIDeviceError("The sound's " + std::to_string(frame_->ch_layout.nb_channels)
                                  + " channels cannot be played");
        return Opened::Yes;
    }

    int SampleRate() const override { return rate_; }

    std::size_t Read(float* stereo, std::size_t frames) override
    {
        std::size_t done = 0;
        while (done < frames && !ended_) {
            if (frameAt_ < frame_->nb_samples) {
                done += Convert(stereo + 2 * done, frames - done);
                continue;
            }
            // A frame at another rate, or one that cannot be converted, ends
            // the sound rather than playing at the wrong speed.
            if (!NextFrame() || frame_->sample_rate != rate_ || !Configure())
                ended_ = true;
        }
        return done;
    }

private:
    // Decodes the next frame into frame_; false at the end.
    bool NextFrame()
    {
        av_frame_unref(frame_);
        frameAt_ = 0;
        int withoutSound = 0;
        for (;;) {
            int result = avcodec_receive_frame(decoder_, frame_);
            if (result == 0) {
                if (frame_->nb_samples > 0 && frame_->sample_rate > 0 && frame_->ch_layout.nb_channels > 0)
                    return true;
                av_frame_unref(frame_);
                continue;
            }
            if (result == AVERROR_EOF || inputEnded_)
                return false;
            // Anything else than "needs a packet" is a flaw in the packet
            // just given, which is left out.
            if (++withoutSound > kPacketsWithoutSound)
                return false;
            if (result != AVERROR(EAGAIN))
                continue;
            result = av_read_frame(format_, packet_);
            if (result < 0) {
                // The end, or a cut or unreadable file: what the decoder
                // still holds is played.
                inputEnded_ = true;
                avcodec_send_packet(decoder_, nullptr);
                continue;
            }
            if (packet_->stream_index == stream_)
                avcodec_send_packet(decoder_, packet_);
            av_packet_unref(packet_);
        }
    }

    // Makes the converter ready for frame_'s sample format and channels;
    // false when it cannot be.
    bool Configure()
    {
        const AVChannelLayout& layout = frame_->ch_layout;
        if (converter_ && frame_->format == inFormat_ && av_channel_layout_compare(&layout, &inLayout_) == 0)
            return true;
        swr_free(&converter_);
        av_channel_layout_uninit(&inLayout_);
        const int channels = layout.nb_channels;
        if (channels < 1 || channels > kMostChannels)
            return false;
        if (av_channel_layout_copy(&inLayout_, &layout) < 0)
            return false;
        inFormat_ = frame_->format;
        AVChannelLayout in{};
        if (layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, channels);
        else if (av_channel_layout_copy(&in, &layout) < 0)
            return false;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO; // swr_alloc_set_opts2 takes it as not const
        int result = swr_alloc_set_opts2(&converter_, &stereo, AV_SAMPLE_FMT_FLT, rate_, &in,
                                         AVSampleFormat(inFormat_), rate_, 0, nullptr);
        // Mono goes to both sides; otherwise the front left and right are
        // taken as they are and the rest left out, as for every other file.
        int left = av_channel_layout_index_from_channel(&in, AV_CHAN_FRONT_LEFT);
        int right = av_channel_layout_index_from_channel(&in, AV_CHAN_FRONT_RIGHT);
        av_channel_layout_uninit(&in);
        if (left < 0 || right < 0) {
            left = 0;
            right = channels > 1 ? 1 : 0;
        }
        std::vector<double> matrix(2 * std::size_t(channels), 0.0);
        matrix[std::size_t(left)] = 1.0;
        matrix[std::size_t(channels + right)] = 1.0;
        if (result >= 0)
            result = swr_set_matrix(converter_, matrix.data(), channels);
        if (result >= 0)
            result = swr_init(converter_);
        if (result < 0) {
            swr_free(&converter_);
            return false;
        }
        return true;
    }

    // Converts what is left of frame_, up to `frames` of it.
    std::size_t Convert(float* stereo, std::size_t frames)
    {
        const int count = int(std::min<std::size_t>({frames, std::size_t(frame_->nb_samples - frameAt_),
                                                     std::size_t(kSliceFrames)}));
        const int channels = frame_->ch_layout.nb_channels;
        const int bytes = av_get_bytes_per_sample(AVSampleFormat(frame_->format));
        const bool planar = av_sample_fmt_is_planar(AVSampleFormat(frame_->format)) != 0;
        planes_.resize(std::size_t(planar ? channels : 1));
        for (std::size_t i = 0; i < planes_.size(); ++i)
            planes_[i] = frame_->extended_data[i] + std::size_t(frameAt_) * std::size_t(bytes) * (planar ? 1 : std::size_t(channels));
        auto* out = reinterpret_cast<std::uint8_t*>(stereo);
        const int got = swr_convert(converter_, &out, count, planes_.data(), count);
        if (got <= 0) {
            ended_ = true;
            return 0;
        }
        frameAt_ += count;
        return std::size_t(got);
    }

    ReadableFile file_; // read through io_, which points at it
    AVIOContext* io_ = nullptr;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* decoder_ = nullptr;
    SwrContext* converter_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int stream_ = -1;
    int rate_ = 0;
    int inFormat_ = -1;
    AVChannelLayout inLayout_{};
    std::vector<const std::uint8_t*> planes_;
    int frameAt_ = 0;
    bool inputEnded_ = false;
    bool ended_ = false;
};

} // namespace

std::unique_ptr<SoundStream> OpenFfmpegSound(ReadableFile file)
{
    auto stream = std::make_unique<FfmpegStream>(std::move(file));
    if (stream->Open() == FfmpegStream::Opened::NotOurs)
        return nullptr;
    return stream;
}
