// The main window: the slide list, its column widths, the preview and its sound.

#include "test_files.h"
#include "recorded_reports.h"
#include "picture_writers.h"
#include "app/f_main.h"
#include "app/f_scanning.h"
#include "errors/error_report.h"
#include "media/media_player.h"
#include "media/picture_decoders.h"
#include "ui/help_viewer.h"
#include "media/sound_output_null.h"
#include "settings/options.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <png.h>
#include <turbojpeg.h>

namespace {

// Holds a rebuild's listing until the test lets it go, after it has told
// its progress.
class Gate {
public:
    void open()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            open_ = true;
        }
        opened_.notify_all();
    }

    FolderLister lister()
    {
        return [this](std::vector<ListedFile>& target, const std::string& folder, bool subfolders,
                      const ListingWatch& watch) {
            if (watch.progress)
                watch.progress(2, 5);
            std::unique_lock<std::mutex> lock(mutex_);
            opened_.wait(lock, [this] { return open_; });
            lock.unlock();
            FindFiles(target, folder, "*.*", subfolders, watch);
        };
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    NullSoundOutput output_;
    NullHelpViewer help_;
    Options options_;

    std::unique_ptr<Tform_main> makeWindow()
    {
        auto w = std::make_unique<Tform_main>(help_, std::make_unique<TMediaPlayer>(output_));
        w->setOptions(&options_);
        return w;
    }

    static int textWidth(const Tform_main& w, const QString& text)
    {
        return QFontMetrics(w.ListView_main->font()).horizontalAdvance(text);
    }

    static QSize previewSize(const Tform_main& w)
    {
        return w.Image_preview->pixmap().isNull() ? QSize(0, 0) : w.Image_preview->pixmap().size();
    }

    static int rowCount(const Tform_main& w) { return w.ListView_main->model()->rowCount(); }

    static QString cell(const Tform_main& w, int row, int column)
    {
        return w.ListView_main->model()->index(row, column).data().toString();
    }

    static QModelIndexList selectedRows(const Tform_main& w)
    {
        return w.ListView_main->selectionModel()->selectedRows();
    }

    void selectRow(Tform_main& w, int row)
    {
        w.ListView_main->setCurrentIndex(w.ListView_main->model()->index(row, 0));
    }

private slots:
    void init()
    {
        g_reports.clear();
        TApplication::setErrorReporter(recordReport);
        options_ = Options();
        options_.rg_order = 1; // alphabetical, so rows are predictable
        options_.rg_captions_case = 0;
    }

    void emptyOrMissingFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("missing") << QStringLiteral("/nonexistent/bimbalo/folder");
        QTest::newRow("empty setting") << QString();
        QTest::newRow("empty folder") << QStringLiteral("<temp>");
    }

    void emptyOrMissingFolder()
    {
        QFETCH(QString, folder);
        QTemporaryDir dir;
        options_.le_folder = folder == QLatin1String("<temp>") ? dir.path() : folder;
        auto w = makeWindow();
        w->RefreshSlides();
        QCOMPARE(rowCount(*w), 0);
        QVERIFY(selectedRows(*w).isEmpty());
        QCOMPARE(previewSize(*w), QSize(0, 0));
        const QString headers[3] = {"Name", "Image Filename", "Sound Filename"};
        for (int c = 0; c < 3; ++c)
            QCOMPARE(w->ListView_main->columnWidth(c), textWidth(*w, headers[c]) + 10);
        w->Action_run_runExecute(); // nothing to run: must not touch anything
        QVERIFY(g_reports.isEmpty());
    }

    void firstRowSelectedAndPreviewedAtStart()
    {
        QTemporaryDir dir;
        QVERIFY(testfiles::writePicture(dir.filePath("ant.png"), 30, 20, Qt::red));
        QVERIFY(testfiles::writeWav(dir.filePath("ant.wav"), 2.0));
        QVERIFY(testfiles::writePicture(dir.filePath("bee.png"), 10, 10, Qt::blue));
        options_.le_folder = dir.path();
        auto w = makeWindow();
        w->RefreshSlides();
        QCOMPARE(rowCount(*w), 2);
        QCOMPARE(selectedRows(*w).size(), 1);
        QCOMPARE(cell(*w, selectedRows(*w).first().row(), 0), QStringLiteral("ant"));
        QCOMPARE(previewSize(*w), QSize(30, 20));
        QCOMPARE(w->Image_preview->size(), QSize(30, 20));
        QVERIFY(w->MediaPlayer_main().isPlaying());
        QCOMPARE(QString::fromStdString(w->MediaPlayer_main().FileName), dir.filePath("ant.wav"));
        QCOMPARE(cell(*w, 0, 1), QStringLiteral("/.../ant.png"));
        QCOMPARE(cell(*w, 0, 2), QStringLiteral("/.../ant.wav"));
        QCOMPARE(cell(*w, 1, 2), QString());
    }

    void columnWidthsFollowTheWidestText()
    {
        QTemporaryDir dir;
        // "mm" and "ww" may tie in width; either way the column is the widest plus 10.
        for (const char* name : {"a_very_long_caption_indeed.png", "mm.png", "ww.png", "x.wav"}) {
            if (QString(name).endsWith(".wav"))
                QVERIFY(testfiles::writeWav(dir.filePath(name), 0.1));
            else
                QVERIFY(testfiles::writePicture(dir.filePath(name), 4, 4, Qt::green));
        }
        options_.le_folder = dir.path();
        auto w = makeWindow();
        w->RefreshSlides();
        int widths[3] = {textWidth(*w, "Name"), textWidth(*w, "Image Filename"), textWidth(*w, "Sound Filename")};
        for (int r = 0; r < rowCount(*w); ++r)
            for (int c = 0; c < 3; ++c)
                widths[c] = std::max(widths[c], textWidth(*w, cell(*w, r, c)));
        QCOMPARE(w->ListView_main->columnWidth(0), textWidth(*w, "a_very_long_caption_indeed") + 10);
        for (int c = 0; c < 3; ++c)
            QCOMPARE(w->ListView_main->columnWidth(c), widths[c] + 10);
    }

    void selectionsAndThePreviewSound()
    {
        QTemporaryDir dir;
        QVERIFY(testfiles::writePicture(dir.filePath("a.png"), 8, 6, Qt::red));
        QVERIFY(testfiles::writeWav(dir.filePath("a.wav"), 3.0));
        QVERIFY(testfiles::writeWav(dir.filePath("b.wav"), 3.0, 660));     // sound, no picture
        QVERIFY(testfiles::writePicture(dir.filePath("c.png"), 5, 7, Qt::blue)); // picture, no sound
        options_.le_folder = dir.path();
        auto w = makeWindow();
        w->RefreshSlides();
        QCOMPARE(previewSize(*w), QSize(8, 6));

        // A slide without a picture empties the preview and plays its sound.
        selectRow(*w, 1);
        QCOMPARE(previewSize(*w), QSize(0, 0));
        QCOMPARE(w->Image_preview->size(), QSize(0, 0));
        QCOMPARE(QString::fromStdString(w->MediaPlayer_main().FileName), dir.filePath("b.wav"));
        QVERIFY(w->MediaPlayer_main().isPlaying());

        // A picture without a sound: the picture changes, the earlier sound plays on.
        selectRow(*w, 2);
        QCOMPARE(previewSize(*w), QSize(5, 7));
        QCOMPARE(QString::fromStdString(w->MediaPlayer_main().FileName), dir.filePath("b.wav"));
        QVERIFY(w->MediaPlayer_main().isPlaying());
        QVERIFY(g_reports.isEmpty());
    }

    // The preview must not go on showing the previous slide's picture as if
    // it were this one's.
    void damagedPictureReportsOnceAndEmptiesThePreview()
    {
        QTemporaryDir dir;
        QVERIFY(testfiles::writePicture(dir.filePath("a.png"), 9, 9, Qt::red));
        QVERIFY(testfiles::writeBytes(dir.filePath("b.png"), "this is not a picture"));
        QVERIFY(testfiles::writeWav(dir.filePath("b.wav"), 1.0));
        options_.le_folder = dir.path();
        auto w = makeWindow();
        w->RefreshSlides();
        w->MediaPlayer_main().Close();
        selectRow(*w, 1);
        QCOMPARE(g_reports.size(), 1);
        QVERIFY2(g_reports.first().contains(dir.filePath("b.png")), qPrintable(g_reports.first()));
        QCOMPARE(previewSize(*w), QSize(0, 0));
        QCOMPARE(w->Image_preview->size(), QSize(0, 0));
        QVERIFY(!w->MediaPlayer_main().isOpen());
        QCOMPARE(cell(*w, selectedRows(*w).first().row(), 0), QStringLiteral("b"));
    }

    void damagedPictureAtStartupStillBuildsTheList()
    {
        QTemporaryDir dir;
        QVERIFY(testfiles::writeBytes(dir.filePath("a.jpg"), "\x89PNG not really"));
        QVERIFY(testfiles::writePicture(dir.filePath("b.png"), 3, 3, Qt::red));
        options_.le_folder = dir.path();
        auto w = makeWindow();
        w->RefreshSlides();
        QCOMPARE(g_reports.size(), 1);
        QCOMPARE(rowCount(*w), 2);
        QCOMPARE(w->ListView_main->columnWidth(0), textWidth(*w, "Name") + 10);
    }

    void pictureDeletedAfterTheScanEmptiesThePreviewSilently()
    {
        QTemporaryDir dir;
        QVERIFY(testfiles::writePicture(dir.filePath("a.png"), 9, 9, Qt::red));
        QVERIFY(testfiles::writePicture(dir.filePath("b.png"), 4, 4, Qt::red));
        options_.le_folder = dir.path();
        auto w = makeWindow();
        w->RefreshSlides();
        QVERIFY(QFile::remove(dir.filePath("b.png")));
        selectRow(*w, 1);
        QCOMPARE(previewSize(*w), QSize(0, 0));
        QVERIFY(g_reports.isEmpty());
    }

    void runClosesThePreviewSound()
    {
        QTemporaryDir dir;
        QVERIFY(testfiles::writeWav(dir.filePath("a.wav"), 3.0));
        options_.le_folder = dir.path();
        auto w = makeWindow();
        w->RefreshSlides();
        QVERIFY(w->MediaPlayer_main().isPlaying());
        w->Action_run_runExecute();
        QVERIFY(!w->MediaPlayer_main().isOpen());
        QCOMPARE(selectedRows(*w).size(), 1);
    }

    // A slow rebuild: its progress shows beside a window that goes on
    // working; Cancel keeps the list as it was, also once the rebuild ends.
    void slowScanShowsItsProgressAndCancelKeepsTheList()
    {
        QTemporaryDir dir;
        QVERIFY(testfiles::writePicture(dir.filePath("a.png"), 6, 6, Qt::red));
        QVERIFY(testfiles::writeWav(dir.filePath("a.wav"), 3.0));
        options_.le_folder = dir.path();
        auto w = makeWindow();
        w->show();
        w->RefreshSlides();
        QCOMPARE(rowCount(*w), 1);

        QVERIFY(testfiles::writePicture(dir.filePath("b.png"), 4, 4, Qt::blue));
        Gate gate;
        const auto release = qScopeGuard([&] { gate.open(); });
        w->setFolderLister(gate.lister());
        w->RefreshSlides();
        QVERIFY(w->scanning());
        QTRY_VERIFY(w->Form_scanning && w->Form_scanning->isVisible());
        QTRY_COMPARE(w->Form_scanning->l_files->text(), QStringLiteral("Files: 5"));
        QCOMPARE(w->Form_scanning->l_folders->text(), QStringLiteral("Folders: 2"));
        QCOMPARE(w->Form_scanning->l_folder->text(), dir.path());
        // Nothing blocks the main window meanwhile, and it still shows the old list.
        QVERIFY(!w->Form_scanning->isModal());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(w->menuBar()->isEnabled() && w->Action_help_about->isEnabled());
        QCOMPARE(rowCount(*w), 1);
        QCOMPARE(selectedRows(*w).size(), 1);

        QTest::mouseClick(w->Form_scanning->Button_cancel, Qt::LeftButton);
        QVERIFY(!w->Form_scanning->isVisible());
        QCOMPARE(rowCount(*w), 1);
        gate.open();
        QTRY_VERIFY(!w->scanning());
        QCoreApplication::processEvents();
        QCOMPARE(rowCount(*w), 1);
        QCOMPARE(cell(*w, 0, 0), QStringLiteral("a"));
        QCOMPARE(previewSize(*w), QSize(6, 6));
        QVERIFY(w->MediaPlayer_main().isPlaying());
        QVERIFY(g_reports.isEmpty());
    }

    // The list fills in when a slow rebuild ends; Run chosen meanwhile runs
    // then, on the new slides.
    void slowScanFillsInWhenOverAndRunWaitsForIt()
    {
        QTemporaryDir dir;
        QVERIFY(testfiles::writeWav(dir.filePath("old.wav"), 3.0));
        options_.le_folder = dir.path();
        auto w = makeWindow();
        w->show();
        w->RefreshSlides();
        QVERIFY(w->MediaPlayer_main().isPlaying());

        QVERIFY(testfiles::writePicture(dir.filePath("ant.png"), 7, 5, Qt::red));
        Gate gate;
        const auto release = qScopeGuard([&] { gate.open(); });
        w->setFolderLister(gate.lister());
        w->RefreshSlides();
        QTRY_VERIFY(w->Form_scanning && w->Form_scanning->isVisible());
        w->Action_run_run->trigger();
        QVERIFY(w->Form_scanning->l_run->isVisible());
        QVERIFY(w->MediaPlayer_main().isPlaying()); // nothing runs yet

        gate.open();
        QTRY_VERIFY(!w->scanning());
        QVERIFY(!w->Form_scanning->isVisible());
        QCOMPARE(rowCount(*w), 2);
        QCOMPARE(cell(*w, selectedRows(*w).first().row(), 0), QStringLiteral("ant"));
        QCOMPARE(previewSize(*w), QSize(7, 5));
        QVERIFY(!w->MediaPlayer_main().isOpen()); // Run closed the preview sound
        QVERIFY(g_reports.isEmpty());
    }

    // At start-up a slow rebuild lets the main window come up first.
    void slowScanAtStartUpShowsTheWindowFirst()
    {
        QTemporaryDir dir;
        QVERIFY(testfiles::writePicture(dir.filePath("ant.png"), 3, 8, Qt::red));
        options_.le_folder = dir.path();
        auto w = makeWindow();
        Gate gate;
        const auto release = qScopeGuard([&] { gate.open(); });
        w->setFolderLister(gate.lister());
        w->RefreshSlides();
        QVERIFY(w->scanning());
        QVERIFY(!w->Form_scanning->isVisible());
        QCOMPARE(rowCount(*w), 0);
        w->show();
        QTRY_VERIFY(w->Form_scanning->isVisible());
        gate.open();
        QTRY_COMPARE(rowCount(*w), 1);
        QCOMPARE(selectedRows(*w).size(), 1);
        QCOMPARE(previewSize(*w), QSize(3, 8));
        QVERIFY(!w->Form_scanning->isVisible());
    }

    void captionAndLayout()
    {
        QApplication::setApplicationName(QStringLiteral("Bimbalo"));
        auto w = makeWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("Quillfen Bimbalo"));
        QStringList toolbar;
        for (QAction* a : w->ToolBar1->actions())
            if (auto* button = qobject_cast<QToolButton*>(w->ToolBar1->widgetForAction(a)))
                toolbar << button->text();
        QCOMPARE(toolbar, QStringList({"Run", "Options", "Contents...", "About..."}));
        QVERIFY(!w->Action_help_topicsearch->icon().isNull());
    }

    // Keyboard use: shortcuts trigger their actions wherever the focus is,
    // Alt and a letter opens a menu, Tab goes between the list and the preview.
    void shortcuts_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("action");
        QTest::newRow("F5") << QKeySequence(Qt::Key_F5) << "Action_run_run";
        QTest::newRow("Ctrl+comma") << QKeySequence(Qt::CTRL | Qt::Key_Comma) << "Action_run_options";
        QTest::newRow("F1") << QKeySequence(Qt::Key_F1) << "Action_help_contents";
        QTest::newRow("Ctrl+Q") << QKeySequence(Qt::CTRL | Qt::Key_Q) << "action_file_exit";
    }

    void shortcuts()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(QString, action);
        const QKeyCombination key = keys[0];
        auto w = makeWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        auto* target = w->findChild<QAction*>(action);
        QVERIFY(target);
        QSignalSpy triggered(target, &QAction::triggered);
        for (QWidget* focus : {static_cast<QWidget*>(w->ListView_main), w->Panel1}) {
            focus->setFocus();
            QTest::keyClick(focus, key.key(), key.keyboardModifiers());
        }
        QCOMPARE(triggered.size(), action == "action_file_exit" ? 1 : 2);
        if (action == "action_file_exit")
            QVERIFY(!w->isVisible());
    }

    void menusOpenWithAltAndTheirLetter()
    {
        auto w = makeWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        const QList<QAction*> menus = w->menuBar()->actions();
        QStringList titles;
        for (QAction* m : menus)
            titles << m->text();
        QCOMPARE(titles, QStringList({"&File", "&Run", "&Help"}));
        for (QAction* m : menus) {
            const QChar letter = m->text().at(m->text().indexOf('&') + 1);
            w->ListView_main->setFocus();
            QTest::keyClick(w->ListView_main, Qt::Key(letter.toUpper().unicode()), Qt::AltModifier);
            QTRY_COMPARE(QApplication::activePopupWidget(), m->menu());
            // Within a menu each entry has a letter of its own.
            QSet<QChar> letters;
            int entries = 0;
            for (QAction* entry : m->menu()->actions()) {
                if (entry->isSeparator())
                    continue;
                ++entries;
                const qsizetype amp = entry->text().indexOf('&');
                QVERIFY2(amp >= 0, qPrintable(entry->text()));
                letters.insert(entry->text().at(amp + 1).toLower());
            }
            QCOMPARE(letters.size(), entries);
            QTest::keyClick(m->menu(), Qt::Key_Escape);
            QTRY_VERIFY(!QApplication::activePopupWidget());
        }
    }

    // The preview shows a picture at its own size from its top-left corner, turned as it is
    // shown and over the panel's colour; no more of it is kept than the screen can show.
    void previewShowsWhatTheWholePictureShows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("tolerance");
        const QSize screen = QGuiApplication::primaryScreen()->virtualSize();
        const QSize larger = screen + QSize(301, 157);
        const auto bytes = [](const picture_test::Bytes& b) { return QByteArray::fromStdString(b); };
        const QImage pattern = picture_test::Pattern(larger.width(), larger.height());
        QTest::newRow("PNG smaller than the screen") << "small.png" << bytes(picture_test::QuadrantsPng(300, 200)) << 0;
        QTest::newRow("PNG larger than the screen") << "large.png" << bytes(picture_test::QuadrantsPng(larger.width(), larger.height())) << 0;
        QTest::newRow("JPEG larger than the screen") << "large.jpg" << bytes(picture_test::Jpeg(pattern, TJSAMP_420)) << 0;
        QTest::newRow("progressive JPEG larger than the screen")
            << "progressive.jpg" << bytes(picture_test::Jpeg(pattern, TJSAMP_444, TJFLAG_PROGRESSIVE)) << 0;
        QTest::newRow("JPEG turned, larger than the screen")
            << "turned.jpg"
            << bytes(picture_test::WithJpegSegments(picture_test::Jpeg(pattern, TJSAMP_420),
                                                    {picture_test::ExifSegment(picture_test::ExifOrientation(6))}))
            << 0;
        QTest::newRow("PNG turned") << "turned.png"
                                    << bytes(picture_test::WithPngChunks(picture_test::QuadrantsPng(300, 200),
                                                                         {{"eXIf", picture_test::ExifOrientation(8)}}))
                                    << 0;
    }

    void previewShowsWhatTheWholePictureShows()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, file);
        QFETCH(int, tolerance);
        QTemporaryDir dir;
        const std::string path = dir.filePath(name).toStdString();
        std::ofstream(path, std::ios::binary) << file.toStdString();
        options_.le_folder = dir.path();
        auto w = makeWindow();
        w->RefreshSlides();

        const QImage whole = LoadPicture(path);
        const QSize kept = whole.size().boundedTo(QGuiApplication::primaryScreen()->virtualSize());
        QCOMPARE(previewSize(*w), kept);
        QCOMPARE(w->Image_preview->size(), kept);
        const QImage shown = w->Image_preview->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage expected = whole.copy(QRect(QPoint(0, 0), kept));
        int worst = 0;
        for (int y = 0; y < kept.height(); ++y)
            for (int x = 0; x < kept.width(); ++x) {
                const QRgb a = shown.pixel(x, y), b = expected.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
            }
        QVERIFY2(worst <= tolerance, qPrintable(QString("differs by %1").arg(worst)));
    }

    void previewShowsTransparencyOverThePanel()
    {
        QTemporaryDir dir;
        picture_test::PngLayout layout{2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, {200, 0, 0, 0, 0, 0, 200, 128}, {}, {}};
        std::ofstream(dir.filePath("clear.png").toStdString(), std::ios::binary) << picture_test::Png(layout);
        options_.le_folder = dir.path();
        auto w = makeWindow();
        QPalette palette = w->Panel1->palette();
        palette.setColor(QPalette::Window, QColor(40, 90, 160));
        w->Panel1->setPalette(palette);
        w->RefreshSlides();
        const QImage shown = w->Image_preview->pixmap().toImage();
        QCOMPARE(QColor(shown.pixel(0, 0)), QColor(40, 90, 160));
        QCOMPARE(QColor(shown.pixel(1, 0)), QColor(20, 45, 180));  // half blue over the panel
    }

    void tabGoesBetweenListAndPreview()
    {
        auto w = makeWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->ListView_main->setFocus();
        QTRY_VERIFY(w->ListView_main->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_VERIFY(w->Panel1->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_VERIFY(w->ListView_main->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QTRY_VERIFY(w->Panel1->hasFocus());
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
