// Help: the two help commands open the help file's default topic in a window
// of its own; Exit and the close box close it; a missing file, or a pipe in
// its place, does nothing.

#include "pipe_swap.h"
#include "app/f_main.h"
#include "media/media_player.h"
#include "ui/help_viewer.h"
#include "media/sound_output_null.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

class TestHelp : public QObject {
    Q_OBJECT

    NullSoundOutput output_;

    static QString helpFile() { return qEnvironmentVariable("BIMBALO_HELP_FILE"); }

    static QString shownSource()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = qobject_cast<QTextBrowser*>(w); b && b->isVisible())
                return b->source().toString();
        return {};
    }

private slots:
    void commandsOpenTheDefaultTopic_data()
    {
        QTest::addColumn<bool>("contents");
        QTest::newRow("Contents...") << true;
        QTest::newRow("Topic search...") << false;
    }

    void commandsOpenTheDefaultTopic()
    {
        QFETCH(bool, contents);
        QVERIFY(QFile::exists(helpFile()));
        auto help = CreateQtHelpViewer();
        Tform_main main(*help, std::make_unique<TMediaPlayer>(output_));
        main.setHelpFile(helpFile());
        if (contents)
            main.Action_help_contentsExecute();
        else
            main.Action_help_topicsearchExecute();
        QCOMPARE(help->openWindows(), 1);
        QVERIFY2(shownSource().endsWith(QLatin1String("/doc/index.html")), qPrintable(shownSource()));
        QVERIFY(shownSource().startsWith(QLatin1String("qthelp://")));
        // The help window belongs to no window of the program.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QTextBrowser*>(w))
                QVERIFY(!w->parentWidget());
        main.action_file_exitExecute();
        QCOMPARE(help->openWindows(), 0);
    }

    void closeBoxClosesHelpWindows()
    {
        auto help = CreateQtHelpViewer();
        Tform_main main(*help, std::make_unique<TMediaPlayer>(output_));
        main.setHelpFile(helpFile());
        main.show();
        main.Action_help_contentsExecute();
        QCOMPARE(help->openWindows(), 1);
        main.close();
        QCOMPARE(help->openWindows(), 0);
    }

    void missingHelpFileDoesNothing()
    {
        auto help = CreateQtHelpViewer();
        Tform_main main(*help, std::make_unique<TMediaPlayer>(output_));
        main.setHelpFile(QStringLiteral("/nonexistent/bimbalo.qch"));
        main.Action_help_contentsExecute();
        main.Action_help_topicsearchExecute();
        QCOMPARE(help->openWindows(), 0);
    }

    void pipeAsHelpFileDoesNothing()
    {
        QTemporaryDir dir;
        const QString pipe = dir.filePath(QStringLiteral("bimbalo.qch"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        auto help = CreateQtHelpViewer();
        Tform_main main(*help, std::make_unique<TMediaPlayer>(output_));
        main.setHelpFile(pipe);
        pipeswap::PipeWatchdog watchdog(QFile::encodeName(pipe).toStdString());
        main.Action_help_contentsExecute();
        main.Action_help_topicsearchExecute();
        QVERIFY2(watchdog.Returned(), "the help command waited on the pipe");
        QCOMPARE(help->openWindows(), 0);
    }
};

QTEST_MAIN(TestHelp)
#include "test_help.moc"
