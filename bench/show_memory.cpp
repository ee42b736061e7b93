// Peak resident memory of a show over six 10000 x 10000 PNG slides of 12 KB
// each, with automatic advance every 500 ms, against the peak of decoding one
// of those pictures whole (what a show held for each of them before it decoded
// pictures straight to their drawn size). Pictures only, no sounds. Each side
// runs in a child process of its own, whose peak the system reports.
//
//   bench_show_memory [seconds of show, default 8]
//
// Run with QT_QPA_PLATFORM=offscreen (set here when unset).

#include "peak_of_child.h"
#include "solid_png.h"
#include "media/media_player.h"
#include "media/picture_decoders.h"
#include "system/memory_reuse.h"
#include "media/sound_output_null.h"
#include "settings/options.h"
#include "show/f_run.h"
#include "show/picture_prefetch.h"
#include "slides/treclist.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kSide = 10000;
constexpr int kSlides = 6;
constexpr QSize kScreen(1920, 1080);

void Type(QWidget* window, Qt::Key key)
{
    const QString text(QChar(key).toLower());
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(window, &press);
    QApplication::sendEvent(window, &release);
}

int RunShow(int argc, char** argv, treclist& list, int seconds)
{
    // As the program does at start-up.
    KeepFreedMemoryForReuse();
    QApplication app(argc, argv);
    Options options;
    options.cb_images_enable = true;
    options.cb_images_stretch = true;
    options.cb_sounds_enable = false;
    options.cb_keyboard_splash = false;
    options.CheckBox_keyboark_lock = false;
    options.cb_advance_auto = true;
    options.le_advance_auto_interval = "500";
    options.rg_captions_when = 1;
    NullSoundOutput output;
    TForm_run w(options, std::make_unique<TMediaPlayer>(output), NullShowServices(), kScreen);

    int ticks = 0;
    QObject::connect(w.Timer_main, &QTimer::timeout, [&] { ++ticks; });
    std::chrono::steady_clock::time_point quitAt;
    QTimer::singleShot(seconds * 1000, &w, [&] {
        Type(&w, Qt::Key_Q);
        Type(&w, Qt::Key_U);
        Type(&w, Qt::Key_I);
        quitAt = std::chrono::steady_clock::now();
        Type(&w, Qt::Key_T);
    });
    w.RunShow(list);
    const double quitMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - quitAt).count();
    std::printf("  show: %d s, %d automatic steps, back %.0f ms after the T of Q U I T\n", seconds, ticks, quitMs);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8;

    QTemporaryDir dir;
    treclist list;
    const QRgb colours[kSlides] = {qRgb(220, 40, 40), qRgb(40, 200, 60), qRgb(30, 60, 230),
                                   qRgb(240, 220, 20), qRgb(200, 40, 200), qRgb(20, 210, 210)};
    long fileBytes = 0;
    for (int i = 0; i < kSlides; ++i) {
        const std::string path = dir.filePath(QString("slide%1.png").arg(i)).toStdString();
        if (!WriteSolidPng(path, kSide, colours[i]))
            return 1;
        fileBytes = QFileInfo(QString::fromStdString(path)).size();
        auto slide = std::make_unique<trec>();
        slide->image_filename = slide->image_disk_path = path;
        slide->name = "slide";
        list.items.push_back(std::move(slide));
    }
    std::printf("%d slides, %d x %d PNG of %ld bytes each; surface %d x %d; automatic advance every 500 ms; no sounds\n",
                kSlides, kSide, kSide, fileBytes, kScreen.width(), kScreen.height());

    const double show = PeakOfChild([&] { return RunShow(argc, argv, list, seconds); });
    const std::string first = list.items.front()->image_disk_path;
    const double whole = PeakOfChild([&] {
        KeepFreedMemoryForReuse();
        QImage picture = LoadPicture(first);
        return picture.width() == kSide ? 0 : 1;
    });
    const double nothing = PeakOfChild([] { return 0; });
    if (show < 0 || whole < 0)
        return 1;
    std::printf("  peak resident, the show:                        %7.0f MB\n", show);
    std::printf("  peak resident, one picture decoded whole:       %7.0f MB\n", whole);
    std::printf("  peak resident, a child that does nothing:       %7.0f MB\n", nothing);
    std::printf("show against one whole picture: %.2f x\n", show / whole);
    std::printf("goal: the show peaks at 400 MB or less: %s (%.0f MB)\n", show <= 400 ? "met" : "MISSED", show);
    return 0;
}
