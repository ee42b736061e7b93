// One step of the show (TForm_run::ShowSlide(1)) on a 1920 x 1080 surface over
// 12-megapixel JPEG slides: with the next picture prefetched, and with a
// picture that has to be decoded on the spot. Measured in the same run as
// Qt's own load-and-scale, as libjpeg-turbo's bare full decode (the floor) and
// as its bare decode at the reduced scale the show decodes at. The floors use one
// thread; the show decodes a large picture on two when it can.
//
// Run with QT_QPA_PLATFORM=offscreen (set here when unset).

#include "bench/photo_like.h"
#include "media/media_player.h"
#include "media/picture_decoders.h"
#include "system/memory_reuse.h"
#include "media/sound_output_null.h"
#include "settings/options.h"
#include "show/f_run.h"
#include "show/picture_prefetch.h"
#include "show/show_geometry.h"
#include "slides/treclist.h"

#include <QApplication>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <turbojpeg.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

constexpr QSize kScreen(1920, 1080);

double Millis(const std::function<void()>& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Max(const std::vector<double>& v)
{
    return *std::max_element(v.begin(), v.end());
}

// A copy of a JPEG with one more segment right after its start-of-image marker.
std::vector<unsigned char> WithSegment(const std::vector<unsigned char>& jpeg, unsigned char marker, const QByteArray& payload)
{
    const std::size_t length = std::size_t(payload.size()) + 2;
    std::vector<unsigned char> out;
    out.reserve(jpeg.size() + length + 2);
    for (unsigned char byte : {jpeg[0], jpeg[1], (unsigned char)0xFF, marker, (unsigned char)(length >> 8), (unsigned char)(length & 0xFF)})
        out.push_back(byte);
    out.insert(out.end(), payload.begin(), payload.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::WriteOnly) && f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}

void Touch(const std::string& path)
{
    const timespec now[2] = {{0, UTIME_NOW}, {0, UTIME_NOW}};
    ::utimensat(AT_FDCWD, path.c_str(), now, 0);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program keeps freed memory for reuse at start-up, and so does this
    // run; --system-heap leaves the C library's defaults, for comparison.
    int rounds = 9;
    bool keepHeap = true;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--system-heap")
            keepHeap = false;
        else
            rounds = std::max(3, std::atoi(argv[i]));
    }
    if (keepHeap)
        KeepFreedMemoryForReuse();
    QApplication app(argc, argv);

    QTemporaryDir dir;
    treclist list;
    std::vector<std::string> paths;
    std::vector<std::vector<unsigned char>> files;
    for (int i = 0; i < 4; ++i) {
        files.push_back(PhotoLikeJpeg(i));
        const QString path = dir.filePath(QString("slide%1.jpg").arg(i));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char*>(files.back().data()), qint64(files.back().size())) != qint64(files.back().size()))
            return 1;
        paths.push_back(path.toStdString());
        auto r = std::make_unique<trec>();
        r->image_filename = r->image_disk_path = paths.back();
        r->name = "slide";
        list.items.push_back(std::move(r));
    }
    std::printf("4 slides of %d x %d JPEG (quality 90, 4:2:0), %.1f MB each; surface %d x %d; %d rounds%s\n",
                kWidth, kHeight, double(files[0].size()) / 1e6, kScreen.width(), kScreen.height(), rounds,
                keepHeap ? "; large blocks kept in the heap" : "");

    // The first photo as a phone writes it: with a Display P3 profile, and stored on its side.
    const std::string p3Path = dir.filePath("p3.jpg").toStdString(), turnedPath = dir.filePath("turned.jpg").toStdString();
    const QByteArray p3 = QByteArray("ICC_PROFILE\0\1\1", 14) + QColorSpace(QColorSpace::DisplayP3).iccProfile();
    const QByteArray exif("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0", 32);
    if (!WriteBytes(p3Path, WithSegment(files[0], 0xE2, p3)) || !WriteBytes(turnedPath, WithSegment(files[0], 0xE1, exif)))
        return 1;

    Options options;
    options.cb_sounds_enable = false;
    options.cb_images_enable = true;
    options.cb_images_stretch = true;
    NullSoundOutput output;
    TForm_run w(options, std::make_unique<TMediaPlayer>(output), NullShowServices(), kScreen);
    w.slides = &list;
    w.show(); // draws the first slide; later steps repaint the window as a show does
    QCoreApplication::processEvents();
    w.prefetcher().WaitIdle();

    const FitRectangle fit = *FitRect(kWidth, kHeight, kScreen.width(), kScreen.height());
    const QSize fitSize(fit.width(), fit.height());
    tjhandle tj = tjInitDecompress();
    std::vector<unsigned char> rgbx(std::size_t(kWidth) * kHeight * 4);
    // The reduced scale: the smallest of 1/2, 1/4 and 1/8 that still covers the fit.
    tjscalingfactor scale{1, 1};
    for (const tjscalingfactor f : {tjscalingfactor{1, 2}, tjscalingfactor{1, 4}, tjscalingfactor{1, 8}})
        if (TJSCALED(kWidth, f) >= fitSize.width() && TJSCALED(kHeight, f) >= fitSize.height())
            scale = f;
    const int scaledWidth = TJSCALED(kWidth, scale), scaledHeight = TJSCALED(kHeight, scale);

    std::vector<double> prefetched, decoding, qtFast, qtSmooth, floorDecode, scaledDecode, freshDecode, loadPicture,
        prepareFile, prepare, takeMiss, prepareP3, prepareTurned, prepareFirst;
    int hitsExpected = 0;
    for (int r = 0; r < rounds; ++r) {
        // (i) the next slide was prepared in the background while this one showed.
        w.prefetcher().WaitIdle();
        const std::uint64_t hits = w.prefetcher().hits();
        prefetched.push_back(Millis([&] { w.ShowSlide(1); }));
        hitsExpected += int(w.prefetcher().hits() - hits);

        // (ii) the next slide's file changed since it was prepared: decoded in the step.
        w.prefetcher().WaitIdle();
        const int next = (w.slide_index + 1) % list.count();
        Touch(paths[std::size_t(next)]);
        decoding.push_back(Millis([&] { w.ShowSlide(1); }));
        w.prefetcher().WaitIdle();

        const std::string& path = paths[std::size_t(next)];
        const std::vector<unsigned char>& bytes = files[std::size_t(next)];
        // (a) Qt reads the file and scales it to the fitted size.
        qtFast.push_back(Millis([&] {
            QImage img = QImageReader(QString::fromStdString(path)).read();
            img = img.scaled(fitSize, Qt::IgnoreAspectRatio, Qt::FastTransformation);
            if (img.isNull())
                std::abort();
        }));
        qtSmooth.push_back(Millis([&] {
            QImage img = QImageReader(QString::fromStdString(path)).read();
            img = img.scaled(fitSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            if (img.isNull())
                std::abort();
        }));
        // (b) the bare full decode of bytes already in memory.
        floorDecode.push_back(Millis([&] {
            if (tjDecompress2(tj, bytes.data(), bytes.size(), rgbx.data(), kWidth, 0, kHeight, TJPF_RGBX, 0) != 0)
                std::abort();
        }));
        scaledDecode.push_back(Millis([&] {
            if (tjDecompress2(tj, bytes.data(), bytes.size(), rgbx.data(), scaledWidth, 0, scaledHeight, TJPF_RGBX, 0) != 0)
                std::abort();
        }));
        // The same decode into a freshly allocated picture, as every decoder
        // that returns a new image does: the cost of faulting its pages in.
        freshDecode.push_back(Millis([&] {
            QImage fresh(kWidth, kHeight, QImage::Format_RGB32);
            if (tjDecompress2(tj, bytes.data(), bytes.size(), fresh.bits(), kWidth, int(fresh.bytesPerLine()), kHeight, TJPF_BGRX, 0) != 0)
                std::abort();
        }));
        Touch(path);
        takeMiss.push_back(Millis([&] { w.prefetcher().Take({path, true, kScreen}); }));
        // Where a decoding step goes, and where it went when it decoded the whole picture.
        prepareFile.push_back(Millis([&] { PicturePrefetcher::PrepareFile({path, true, kScreen}); }));
        QImage decoded;
        loadPicture.push_back(Millis([&] { decoded = LoadPicture(path); }));
        prepare.push_back(Millis([&] { PicturePrefetcher::Prepare(decoded, true, kScreen); }));
        prepareFirst.push_back(Millis([&] { PicturePrefetcher::PrepareFile({paths[0], true, kScreen}); }));
        prepareP3.push_back(Millis([&] { PicturePrefetcher::PrepareFile({p3Path, true, kScreen}); }));
        prepareTurned.push_back(Millis([&] { PicturePrefetcher::PrepareFile({turnedPath, true, kScreen}); }));
    }
    tjDestroy(tj);

    const double floorMs = Median(floorDecode), scaledMs = Median(scaledDecode);
    std::printf("  %-44s %7s %7s %9s %9s\n", "", "median", "max", "x floor", "x scaled");
    auto row = [&](const char* name, const std::vector<double>& v) {
        std::printf("  %-44s %7.2f %7.2f %9.2f %9.2f\n", name, Median(v), Max(v), Median(v) / floorMs, Median(v) / scaledMs);
    };
    char scaledName[64];
    std::snprintf(scaledName, sizeof scaledName, "scaled floor: the same at %d/%d (%dx%d)", scale.num, scale.denom,
                  scaledWidth, scaledHeight);
    row("ShowSlide(1), picture prefetched", prefetched);
    row("ShowSlide(1), picture decoded in the step", decoding);
    row("Qt: QImageReader + scaled(Fast) to fit", qtFast);
    row("Qt: QImageReader + scaled(Smooth) to fit", qtSmooth);
    row("floor: tjDecompress2 full, RGBX, in memory", floorDecode);
    row(scaledName, scaledDecode);
    row("full decode into a new QImage (page faults)", freshDecode);
    row("  part: PrepareFile (file to drawn size)", prepareFile);
    row("  PicturePrefetcher::Take, file changed", takeMiss);
    row("whole picture: LoadPicture (file to RGB32)", loadPicture);
    row("whole picture: Prepare (fit + nearest stretch)", prepare);
    row("  PrepareFile, the first photo", prepareFirst);
    row("  PrepareFile, the same with a Display P3 profile", prepareP3);
    row("  PrepareFile, the same turned by EXIF (6)", prepareTurned);
    std::printf("colour conversion to sRGB: %.2f ms a 12-megapixel photo; a quarter turn: %.2f ms\n",
                Median(prepareP3) - Median(prepareFirst), Median(prepareTurned) - Median(prepareFirst));
    std::printf("prefetched steps served from the cache: %d of %d\n", hitsExpected, rounds);
    std::printf("goals: prefetched step <= 16 ms: %s (%.2f ms); decoding step <= 0.9 x floor: %s (%.2f x floor, %.2f x scaled floor)\n",
                Median(prefetched) <= 16.0 ? "met" : "MISSED", Median(prefetched),
                Median(decoding) <= 0.9 * floorMs ? "met" : "MISSED", Median(decoding) / floorMs, Median(decoding) / scaledMs);
    std::printf("decoding step against Qt load+scale(Fast): %.2f x\n", Median(decoding) / Median(qtFast));
    return 0;
}
