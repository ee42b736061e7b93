// Small files that declare huge pictures: a show over them must not hold the
// whole decoded picture. Its own binary, because the peak resident size it
// watches belongs to the whole process.

#include "solid_png.h"
#include "picture_writers.h"
#include "app/f_main.h"
#include "media/media_player.h"
#include "ui/help_viewer.h"
#include "media/sound_output_null.h"
#include "settings/options.h"
#include "show/f_run.h"
#include "show/picture_prefetch.h"
#include "slides/treclist.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTest>

#include <turbojpeg.h>

#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr int kSide = 10000; // 10000 x 10000 x 4 bytes = 400 MB decoded
constexpr QSize kSurface(640, 480);
const QRgb kBombColour = qRgb(250, 120, 30);

// The process's peak resident size, which ResetPeakResident sets back to the
// present size where the system lets it.
long PeakResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void ResetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// RLE8: the first row in runs of one colour, then row skips to the top. The
// rows it skips are left at palette entry 0, which is the same colour here.
picture_test::Bytes Rle8Bomb()
{
    picture_test::Bytes stream;
    for (int x = 0; x < kSide; x += 250)
        stream += picture_test::Bytes{char(250), 1};
    stream += picture_test::Bytes("\0\0", 2);
    for (int y = 1; y + 200 < kSide; y += 200)
        stream += picture_test::Bytes{0, 2, 0, char(200)};
    stream += picture_test::Bytes("\0\1", 2);
    return picture_test::BmpFile({kSide, kSide, 8, 1, 40, {kBombColour, kBombColour}, {}, stream});
}

} // namespace

class TestPictureBombs : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    std::string write(const char* name, const picture_test::Bytes& bytes)
    {
        const std::string path = dir_.filePath(name).toStdString();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

private slots:
    void aShowDoesNotHoldWholeHugePictures_data()
    {
        QTest::addColumn<bool>("stretch");
        QTest::newRow("fitted") << true;
        QTest::newRow("natural size") << false;
    }

    void aShowDoesNotHoldWholeHugePictures()
    {
        QFETCH(bool, stretch);
        QVERIFY(dir_.isValid());
        const std::string png = dir_.filePath("bomb.png").toStdString();
        QVERIFY(WriteSolidPng(png, kSide, kBombColour));
        const std::string bmp = write("bomb.bmp", Rle8Bomb());
        QVERIFY(QFileInfo(QString::fromStdString(bmp)).size() < 2000);
        // A 16 x 16 picture whose header says 10000 x 10000: the decoder
        // makes up the missing rows before it finds the file damaged.
        const std::string jpg = write("bomb.jpg", picture_test::WithJpegSize(
                                                      picture_test::Jpeg(picture_test::Pattern(16, 16), TJSAMP_444), kSide, kSide));

        const std::vector<std::string> paths{png, bmp, jpg};
        treclist list;
        for (const std::string& path : paths) {
            auto slide = std::make_unique<trec>();
            slide->image_filename = slide->image_disk_path = path;
            list.items.push_back(std::move(slide));
        }
        Options options;
        options.cb_images_stretch = stretch;
        options.cb_sounds_enable = false;
        options.rg_captions_when = 1;
        options.ColorDialog_background = 0x00FFFFFF;
        NullSoundOutput output;
        TForm_run w(options, std::make_unique<TMediaPlayer>(output), NullShowServices(), kSurface);
        w.slides = &list;

        ResetPeakResident();
        const long before = PeakResidentKb();
        for (int step = 0; step < 2 * int(list.items.size()); ++step) {
            w.ShowSlide(1);
            const QRgb centre = w.surface().pixel(kSurface.width() / 2, kSurface.height() / 2) | 0xFF000000u;
            if (w.slide_index < 2)
                QCOMPARE(QColor(centre), QColor(kBombColour));
            w.prefetcher().WaitIdle();
        }
        const long grown = PeakResidentKb() - before;
        // One whole picture alone would be 400 MB.
        QVERIFY2(grown < 100 * 1024, qPrintable(QString("the peak grew by %1 MB").arg(grown / 1024)));
    }

    // The main window's preview shows a picture at its own size, cut off by the panel: it keeps
    // no more of a huge one than the screen can show.
    void thePreviewDoesNotHoldWholeHugePictures()
    {
        QTemporaryDir folder;
        QVERIFY(WriteSolidPng(folder.filePath("a.png").toStdString(), kSide, kBombColour));
        const QString bmp = folder.filePath("b.bmp");
        std::ofstream(bmp.toStdString(), std::ios::binary) << Rle8Bomb();
        std::ofstream(folder.filePath("c.jpg").toStdString(), std::ios::binary)
            << picture_test::WithJpegSize(picture_test::Jpeg(picture_test::Pattern(16, 16), TJSAMP_444), kSide, kSide);
        Options options;
        options.le_folder = folder.path();
        options.rg_order = 1;
        NullSoundOutput output;
        NullHelpViewer help;
        Tform_main w(help, std::make_unique<TMediaPlayer>(output));
        w.setOptions(&options);

        ResetPeakResident();
        const long before = PeakResidentKb();
        w.RefreshSlides();
        QCOMPARE(w.ListView_main->model()->rowCount(), 3);
        const QImage shown = w.Image_preview->pixmap().toImage();
        QCOMPARE(shown.size(), QSize(kSide, kSide).boundedTo(QGuiApplication::primaryScreen()->virtualSize()));
        QCOMPARE(QColor(shown.pixel(shown.width() - 1, shown.height() - 1)), QColor(kBombColour));
        w.ListView_main->setCurrentIndex(w.ListView_main->model()->index(1, 0));
        QCOMPARE(QColor(w.Image_preview->pixmap().toImage().pixel(0, 0)), QColor(kBombColour));
        const long grown = PeakResidentKb() - before;
        QVERIFY2(grown < 100 * 1024, qPrintable(QString("the peak grew by %1 MB").arg(grown / 1024)));
    }
};

QTEST_MAIN(TestPictureBombs)
#include "test_picture_bombs.moc"
