// LoadPicture against Qt's own image readers on the same files, for a 12-megapixel photo-sized
// picture in each kind, and the reduced JPEG decode for a 1280 x 1024 screen.

#include "media/picture_decoders.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
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
    return 0;
}
