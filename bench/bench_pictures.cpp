// LoadPicture against Qt's own image readers on the same files, for a 12-megapixel photo-sized
// picture in each kind, and the reduced JPEG decode for a 1280 x 1024 screen. Then the newer
// kinds, which Qt cannot read here: the show's cut of a 12-megapixel WebP, GIF, HEIC and AVIF
// drawn on a 1280 x 1024 screen against the library's own full decode of the same file.

#include "media/picture_decoders.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <gif_lib.h>
#include <libheif/heif.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include <algorithm>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

// Medians of `runs` timings of each side; the two sides take turns so that a change in the
// machine's load falls on both.
std::pair<double, double> MedianMillis(int runs, const std::function<void()>& ours, const std::function<void()>& theirs)
{
    std::vector<double> a, b;
    for (int i = 0; i < runs; ++i)
        for (auto [work, times] : {std::pair{&ours, &a}, std::pair{&theirs, &b}}) {
            const auto start = Clock::now();
            (*work)();
            times->push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return {a[a.size() / 2], b[b.size() / 2]};
}

// Smooth colour with some fine detail, so that the encoders have realistic work.
QImage PhotoLike(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    unsigned noise = 12345;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int n = int(noise >> 28);
            line[x] = qRgb((x * 255 / width + n) & 255, (y * 255 / height + n) & 255, ((x + y) / 32 * 7 + n) & 255);
        }
    }
    return picture;
}

std::vector<unsigned char> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WriteAll(const std::string& path, const unsigned char* data, std::size_t size)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return bool(out);
}

bool WriteWebp(const QImage& picture, const std::string& path)
{
    uint8_t* out = nullptr;
    const std::size_t size = WebPEncodeBGRA(picture.constBits(), picture.width(), picture.height(),
                                            int(picture.bytesPerLine()), 85, &out);
    const bool written = size > 0 && WriteAll(path, out, size);
    WebPFree(out);
    return written;
}

int WriteToFile(GifFileType* gif, const GifByteType* data, int length)
{
    return int(std::fwrite(data, 1, std::size_t(length), static_cast<std::FILE*>(gif->UserData)));
}

// In 3-3-2 bits of red, green and blue: a photograph as a GIF of 256 colours shows it.
bool WriteGif(const QImage& picture, const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    int error = 0;
    GifFileType* gif = EGifOpen(file, WriteToFile, &error);
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    for (int i = 0; i < 256; ++i)
        map->Colors[i] = GifColorType{GifByteType((i >> 5) * 255 / 7), GifByteType(((i >> 2) & 7) * 255 / 7), GifByteType((i & 3) * 255 / 3)};
    bool written = gif && EGifPutScreenDesc(gif, picture.width(), picture.height(), 8, 0, map) == GIF_OK
                   && EGifPutImageDesc(gif, 0, 0, picture.width(), picture.height(), false, nullptr) == GIF_OK;
    std::vector<GifPixelType> line(std::size_t(picture.width()));
    for (int y = 0; written && y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[std::size_t(x)] = GifPixelType((qRed(row[x]) >> 5) << 5 | (qGreen(row[x]) >> 5) << 2 | qBlue(row[x]) >> 6);
        written = EGifPutLine(gif, line.data(), picture.width()) == GIF_OK;
    }
    // giflib leaves a file it writes through a function open.
    if (gif)
        written = EGifCloseFile(gif, &error) == GIF_OK && written;
    written = std::fclose(file) == 0 && written;
    GifFreeMapObject(map);
    return written;
}

bool WriteHeif(const QImage& picture, const std::string& path, heif_compression_format format)
{
    heif_context* context = heif_context_alloc();
    heif_image* image = nullptr;
    heif_image_create(picture.width(), picture.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, picture.width(), picture.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            uint8_t* out = plane + std::size_t(y) * std::size_t(stride) + 3 * std::size_t(x);
            out[0] = uint8_t(qRed(row[x]));
            out[1] = uint8_t(qGreen(row[x]));
            out[2] = uint8_t(qBlue(row[x]));
        }
    }
    heif_encoder* encoder = nullptr;
    bool written = heif_context_get_encoder_for_format(context, format, &encoder).code == heif_error_Ok;
    if (written) {
        heif_encoder_set_lossy_quality(encoder, 80);
        if (format == heif_compression_AV1)
            heif_encoder_set_parameter(encoder, "speed", "9");
        written = heif_context_encode_image(context, image, encoder, nullptr, nullptr).code == heif_error_Ok
                  && heif_context_write_to_file(context, path.c_str()).code == heif_error_Ok;
        heif_encoder_release(encoder);
    }
    heif_image_release(image);
    heif_context_free(context);
    return written;
}

// The libraries' own full decodes of a file in memory, to a picture of 32-bit pixels.
void LibwebpDecode(const std::vector<unsigned char>& file)
{
    int width = 0, height = 0;
    WebPFree(WebPDecodeBGRA(file.data(), file.size(), &width, &height));
}

int ReadFromMemory(GifFileType* gif, GifByteType* out, int length)
{
    auto* at = static_cast<std::pair<const unsigned char*, std::size_t>*>(gif->UserData);
    const std::size_t n = std::min(std::size_t(length), at->second);
    std::memcpy(out, at->first, n);
    at->first += n;
    at->second -= n;
    return int(n);
}

void GiflibDecode(const std::vector<unsigned char>& file)
{
    std::pair<const unsigned char*, std::size_t> at{file.data(), file.size()};
    int error = 0;
    GifFileType* gif = DGifOpen(&at, ReadFromMemory, &error);
    if (!gif)
        return;
    // DGifSlurp keeps the indices; the colours are looked up as a viewer would.
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0) {
        const SavedImage& frame = gif->SavedImages[0];
        const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
        QImage picture(frame.ImageDesc.Width, frame.ImageDesc.Height, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
            const GifByteType* in = frame.RasterBits + std::size_t(y) * std::size_t(picture.width());
            for (int x = 0; x < picture.width(); ++x) {
                const GifColorType& c = map->Colors[in[x] % map->ColorCount];
                row[x] = qRgb(c.Red, c.Green, c.Blue);
            }
        }
    }
    DGifCloseFile(gif, &error);
}

void LibheifDecode(const std::vector<unsigned char>& file)
{
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    if (heif_context_read_from_memory_without_copy(context, file.data(), file.size(), nullptr).code == heif_error_Ok
        && heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok)
        heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr);
    heif_image_release(image);
    heif_image_handle_release(handle);
    heif_context_free(context);
}

// The show's cut of a picture for a 1280 x 1024 screen: the whole picture fitted into it.
PictureCut ScreenFit(QSize natural)
{
    const QSize fit = natural.scaled(1280, 1024, Qt::KeepAspectRatio);
    return PictureCut{QRect(QPoint(0, 0), natural), fit};
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QImage source = PhotoLike(4000, 3000);
    const int runs = 7;

    std::printf("%-28s %12s %12s %8s\n", "case (4000 x 3000)", "Bimbalo ms", "Qt ms", "ratio");
    for (const char* kind : {"jpg", "png", "bmp"}) {
        const QString path = dir.filePath(QStringLiteral("picture.") + kind);
        if (!source.save(path, kind, 90)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        const std::string file = path.toStdString();
        const auto [ours, qt] = MedianMillis(
            runs, [&] { LoadPicture(file); },
            [&] {
                QImageReader reader(path, kind);
                reader.setAutoDetectImageFormat(false);
                QImage picture = reader.read().convertToFormat(QImage::Format_RGB32);
            });
        std::printf("%-28s %12.1f %12.1f %8.2f\n", kind, ours, qt, ours / qt);
        if (std::string(kind) == "jpg") {
            const auto [scaled, qtScaled] = MedianMillis(
                runs, [&] { LoadPictureScaled(file, 1280, 1024); },
                [&] {
                    QImageReader reader(path, kind);
                    reader.setScaledSize(QSize(1280, 960));
                    QImage picture = reader.read().convertToFormat(QImage::Format_RGB32);
                });
            std::printf("%-28s %12.1f %12.1f %8.2f\n", "jpg reduced for 1280 x 1024", scaled, qtScaled, scaled / qtScaled);
        }
    }

    // The newer kinds: our cut for the screen, read from the file, against the library's
    // full decode of the file already in memory.
    std::printf("\n%-28s %12s %12s %8s\n", "screen cut (4000 x 3000)", "Bimbalo ms", "library ms", "ratio");
    const struct {
        const char* name;
        const char* extension;
        std::function<bool(const std::string&)> write;
        std::function<void(const std::vector<unsigned char>&)> decode;
    } kinds[] = {
        {"webp (libwebp)", "webp", [&](const std::string& p) { return WriteWebp(source, p); }, LibwebpDecode},
        {"gif (giflib)", "gif", [&](const std::string& p) { return WriteGif(source, p); }, GiflibDecode},
        {"heic (libheif, libde265)", "heic", [&](const std::string& p) { return WriteHeif(source, p, heif_compression_HEVC); }, LibheifDecode},
        {"avif (libheif, dav1d)", "avif", [&](const std::string& p) { return WriteHeif(source, p, heif_compression_AV1); }, LibheifDecode},
    };
    for (const auto& kind : kinds) {
        const std::string file = dir.filePath(QStringLiteral("picture.") + kind.extension).toStdString();
        if (!kind.write(file)) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            return 1;
        }
        const std::vector<unsigned char> bytes = ReadAll(file);
        const auto [ours, library] = MedianMillis(
            runs, [&] { LoadPictureCut(file, ScreenFit); }, [&] { kind.decode(bytes); });
        std::printf("%-28s %12.1f %12.1f %8.2f\n", kind.name, ours, library, ours / library);
    }
    return 0;
}
