// What the main window's status bar tells without an error box: that sounds
// cannot be played for want of an audio device, in the preview or in a show,
// and how many pictures and sounds lie too deep in the data folder to open.

#include "deep_tree.h"
#include "recorded_reports.h"
#include "test_files.h"
#include "app/f_main.h"
#include "errors/error_report.h"
#include "media/media_player.h"
#include "ui/help_viewer.h"
#include "media/sound_output_null.h"
#include "settings/options.h"
#include "show/f_run.h"

#include <QLabel>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {
} // namespace

class TestStatusNotes : public QObject {
    Q_OBJECT

    NullHelpViewer help_;
    Options options_;

    static QString notes(Tform_main& w)
    {
        const auto* label = w.statusBar()->findChild<QLabel*>(QStringLiteral("StatusBar_notes"));
        return label ? label->text() : QStringLiteral("<no notes in the status bar>");
    }

private slots:
    void init()
    {
        g_reports.clear();
        TApplication::setErrorReporter(recordReport);
        options_ = Options();
        options_.rg_order = 1;
        options_.rg_captions_case = 0;
    }

    void missingAudioDeviceIsToldOnceNotOnEverySlide()
    {
        QTemporaryDir dir;
        for (const char* name : {"ant.wav", "bee.wav", "cat.wav"})
            QVERIFY(testfiles::writeWav(dir.filePath(name), 0.5));
        options_.le_folder = dir.path();
        NullSoundOutput noDevice("No available audio device");
        Tform_main main(help_, std::make_unique<TMediaPlayer>(noDevice));
        main.setOptions(&options_);
        main.RefreshSlides(); // previews the first slide, whose sound cannot play
        const QString told = QStringLiteral("Sounds cannot be played: No available audio device");
        QCOMPARE(notes(main), told);
        for (int row : {1, 2, 0})
            main.ListView_main->setCurrentIndex(main.ListView_main->model()->index(row, 0));
        QCOMPARE(notes(main), told);
        QVERIFY2(g_reports.isEmpty(), qPrintable(g_reports.join('\n')));
    }

    void missingAudioDeviceInAShowIsToldInTheMainWindow()
    {
        QTemporaryDir dir;
        QVERIFY(testfiles::writeWav(dir.filePath("ant.wav"), 0.5));
        QVERIFY(testfiles::writePicture(dir.filePath("bee.png"), 4, 4, Qt::red));
        options_.le_folder = dir.path();
        NullSoundOutput previewDevice;
        NullSoundOutput showDevice("No available audio device");
        Tform_main main(help_, std::make_unique<TMediaPlayer>(previewDevice));
        main.setOptions(&options_);
        TForm_run run(options_, std::make_unique<TMediaPlayer>(showDevice), NullShowServices(), QSize(64, 48));
        main.setForms(nullptr, &run);
        main.RefreshSlides();
        QCOMPARE(notes(main), QString());

        run.slides = &main.slide_list;
        for (int step : {0, 1, 1})
            run.ShowSlide(step); // the show goes on without its sound
        QCOMPARE(notes(main), QStringLiteral("Sounds cannot be played: No available audio device"));
        QVERIFY(g_reports.isEmpty());
    }

    // With the more kinds off, the files of those kinds are counted and the
    // grown-up is told where to turn them on; with them on, nothing is said.
    void moreKindsLeftOutAreCounted()
    {
        QTemporaryDir dir;
        QVERIFY(testfiles::writePicture(dir.filePath("seen.png"), 4, 4, Qt::red));
        for (const char* name : {"phone.heic", "voice.m4a", "web.webp", "notes.txt"})
            QVERIFY(testfiles::writeBytes(dir.filePath(name), "x"));
        options_.le_folder = dir.path();
        NullSoundOutput output;
        Tform_main main(help_, std::make_unique<TMediaPlayer>(output));
        main.setOptions(&options_);

        main.RefreshSlides();
        QCOMPARE(main.ListView_main->model()->rowCount(), 1);
        QCOMPARE(notes(main), QStringLiteral("3 pictures and sounds of other kinds (such as .heic or .m4a) are left out: "
                                             "Options, Data turns such files on"));

        options_.cb_more_kinds = true;
        main.RefreshSlides();
        QCOMPARE(main.ListView_main->model()->rowCount(), 4);
        QVERIFY2(!notes(main).contains(QStringLiteral("left out")), qPrintable(notes(main)));
    }

    void filesTooDeepToOpenAreCounted()
    {
        QTemporaryDir dir;
        const std::string step = "Level-0123456789";
        const int levels = int(deeptree::kPathLimit / (step.size() + 1)) + 2;
        const std::string deep = QFile::encodeName(dir.filePath("deep")).toStdString();
        const auto removeDeep = qScopeGuard([&] { deeptree::RemoveTree(deep); });
        deeptree::DeepChain chain(deep, step, levels);
        QVERIFY(chain.ok());
        for (const char* name : {"lost.jpg", "lost.wav", "other.txt"})
            QVERIFY(chain.Add(levels, name));
        QVERIFY(testfiles::writePicture(dir.filePath("seen.png"), 4, 4, Qt::red));
        options_.le_folder = dir.path();
        NullSoundOutput output;
        Tform_main main(help_, std::make_unique<TMediaPlayer>(output));
        main.setOptions(&options_);

        main.RefreshSlides();
        QCOMPARE(main.ListView_main->model()->rowCount(), 1);
        QCOMPARE(notes(main), QStringLiteral("2 pictures and sounds lie too deep in the data folder to be opened"));

        deeptree::RemoveTree(deep);
        main.RefreshSlides();
        QCOMPARE(notes(main), QString());
        QVERIFY(g_reports.isEmpty());
    }
};

QTEST_MAIN(TestStatusNotes)
#include "test_status_notes.moc"
