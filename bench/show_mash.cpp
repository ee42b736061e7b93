// A toddler mashing the keyboard: the real show window (offscreen, 1920 x 1080) over ten
// 12-megapixel JPEG slides, with keys pressed and let go at 16 a second for 10 s. For each key,
// the time from its press to the end of its step, when the new picture has been drawn; against
// the bare decode of one picture in the same run (libjpeg-turbo, one thread, at the scale the
// show decodes at and whole). Calm keys, each after the show has prepared what it wanted, come
// first for comparison. Also the cache's peak bytes and the process's peak resident size.
//
//   bench_show_mash [seconds of mashing, default 10] [keys a second, default 16]
//   bench_show_mash --write-slides FOLDER   (only writes the ten slides there, for
//                                            bench/show_keys_x.sh)
//
// Run with QT_QPA_PLATFORM=offscreen (set here when unset).

#include "bench/photo_like.h"
#include "media/media_player.h"
#include "system/memory_reuse.h"
#include "media/sound_output_null.h"
#include "settings/options.h"
#include "show/f_run.h"
#include "show/picture_prefetch.h"
#include "show/show_geometry.h"
#include "slides/treclist.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <turbojpeg.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

constexpr QSize kScreen(1920, 1080);

double Millis(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5))];
}

// The process's peak resident size so far.
long PeakResidentKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Lets the program's own events run until `until`.
void RunEventsUntil(Clock::time_point until)
{
    while (Clock::now() < until) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        std::this_thread::sleep_for(std::min<Clock::duration>(until - Clock::now(), std::chrono::microseconds(500)));
    }
}

// A key pressed and let go, as a child's finger does; the time its press took.
double PressKey(QWidget& window, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    const auto start = Clock::now();
    QCoreApplication::sendEvent(&window, &press);
    const double took = Millis(Clock::now() - start);
    QCoreApplication::sendEvent(&window, &release);
    return took;
}

void Report(const char* name, const std::vector<double>& v)
{
    std::printf("  %-36s %5zu keys  median %6.2f  p95 %6.2f  worst %6.2f  mean %6.2f ms\n", name, v.size(),
                Percentile(v, 0.5), Percentile(v, 0.95), *std::max_element(v.begin(), v.end()),
                std::accumulate(v.begin(), v.end(), 0.0) / double(v.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::string(argv[1]) == "--write-slides") {
        for (int i = 0; i < 10; ++i) {
            const std::vector<unsigned char> jpeg = PhotoLikeJpeg(i);
            QFile f(QString("%1/slide%2.jpg").arg(QString::fromLocal8Bit(argv[2])).arg(i));
            if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char*>(jpeg.data()), qint64(jpeg.size())) != qint64(jpeg.size()))
                return 1;
        }
        return 0;
    }
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 10.0;
    const double rate = argc > 2 ? std::max(1.0, std::atof(argv[2])) : 16.0;
    KeepFreedMemoryForReuse();
    QApplication app(argc, argv);

    QTemporaryDir dir;
    treclist list;
    std::vector<std::vector<unsigned char>> files;
    for (int i = 0; i < 10; ++i) {
        files.push_back(PhotoLikeJpeg(i));
        const QString path = dir.filePath(QString("slide%1.jpg").arg(i));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char*>(files.back().data()), qint64(files.back().size())) != qint64(files.back().size()))
            return 1;
        auto r = std::make_unique<trec>();
        r->image_filename = r->image_disk_path = path.toStdString();
        r->name = "slide";
        list.items.push_back(std::move(r));
    }

    // The bare decode of one picture, whole and at the scale the show decodes at.
    tjhandle tj = tjInitDecompress();
    std::vector<unsigned char> rgbx(std::size_t(kWidth) * kHeight * 4);
    const FitRectangle fit = *FitRect(kWidth, kHeight, kScreen.width(), kScreen.height());
    tjscalingfactor scale{1, 1};
    for (const tjscalingfactor f : {tjscalingfactor{1, 2}, tjscalingfactor{1, 4}, tjscalingfactor{1, 8}})
        if (TJSCALED(kWidth, f) >= fit.width() && TJSCALED(kHeight, f) >= fit.height())
            scale = f;
    std::vector<double> whole, scaled;
    for (int i = 0; i < 5; ++i) {
        const std::vector<unsigned char>& bytes = files[std::size_t(i)];
        auto start = Clock::now();
        tjDecompress2(tj, bytes.data(), bytes.size(), rgbx.data(), kWidth, 0, kHeight, TJPF_RGBX, 0);
        whole.push_back(Millis(Clock::now() - start));
        start = Clock::now();
        tjDecompress2(tj, bytes.data(), bytes.size(), rgbx.data(), TJSCALED(kWidth, scale), 0, TJSCALED(kHeight, scale), TJPF_RGBX, 0);
        scaled.push_back(Millis(Clock::now() - start));
    }
    tjDestroy(tj);
    rgbx.clear();
    rgbx.shrink_to_fit();

    Options options;
    options.cb_sounds_enable = false;
    options.cb_images_enable = true;
    options.cb_images_stretch = true;
    options.rg_captions_when = 1;
    NullSoundOutput output;
    TForm_run w(options, std::make_unique<TMediaPlayer>(output), NullShowServices(), kScreen);
    w.slides = &list;
    w.show();  // draws the first slide, as a show does
    RunEventsUntil(Clock::now() + std::chrono::milliseconds(50));

    std::printf("10 slides of %d x %d JPEG, %.1f MB each; surface %d x %d; keys at %.0f a second for %.0f s\n", kWidth,
                kHeight, double(files[0].size()) / 1e6, kScreen.width(), kScreen.height(), rate, seconds);

    // Calm: each key after the show has prepared what it looks ahead to.
    std::vector<double> calm;
    for (int i = 0; i < 10; ++i) {
        w.prefetcher().WaitIdle();
        RunEventsUntil(Clock::now() + std::chrono::milliseconds(5));
        calm.push_back(PressKey(w, Qt::Key_Space));
    }
    // Mashing starts cold, with nothing prepared ahead.
    w.prefetcher().WaitIdle();
    w.prefetcher().Clear();
    std::vector<double> mashed;
    const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
    const int keys = int(seconds * rate);
    const Qt::Key fingers[] = {Qt::Key_Space, Qt::Key_A, Qt::Key_PageDown, Qt::Key_S, Qt::Key_D, Qt::Key_F};
    const auto start = Clock::now();
    for (int k = 0; k < keys; ++k) {
        const auto due = start + k * period;
        RunEventsUntil(due);
        // A key pressed while the show was still busy has waited since it was due.
        const double late = Millis(Clock::now() - due);
        mashed.push_back(late + PressKey(w, fingers[k % 6]));
    }
    const std::size_t peakBytes = w.prefetcher().peakBytes();
    const long peakKb = PeakResidentKb();

    std::printf("  bare decode of one picture, one thread: whole %.2f ms, at %d/%d %.2f ms (medians)\n",
                Percentile(whole, 0.5), scale.num, scale.denom, Percentile(scaled, 0.5));
    Report("calm (after the look-ahead)", calm);
    Report("mashing, every key", mashed);
    const std::vector<double> fromFourth(mashed.begin() + std::min<std::size_t>(3, mashed.size()), mashed.end());
    Report("mashing, from the fourth key", fromFourth);
    std::printf("  mashing median against the scaled bare decode: %.3f x\n", Percentile(fromFourth, 0.5) / Percentile(scaled, 0.5));
    std::printf("  cache peak: %.1f MB; process peak resident: %.1f MB\n", double(peakBytes) / (1 << 20), double(peakKb) / 1024);
    const double worst = *std::max_element(fromFourth.begin(), fromFourth.end());
    const double calmMean = std::accumulate(calm.begin(), calm.end(), 0.0) / double(calm.size());
    std::printf("goals: from the fourth key worst <= 16.7 ms: %s (%.2f ms); calm mean < 8 ms: %s (%.2f ms); peak < 400 MB: %s\n",
                worst <= 16.7 ? "met" : "MISSED", worst, calmMean < 8 ? "met" : "MISSED", calmMean,
                peakKb < 400 * 1024 ? "met" : "MISSED");
    w.hide();
    return 0;
}
