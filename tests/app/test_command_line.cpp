// The command line: what it asks for, what the program answers to --help,
// --version and a bad option or folder, and the show it starts on its own.

#include "test_files.h"
#include "recorded_reports.h"
#include "app/command_line.h"
#include "app/show_at_start.h"
#include "errors/error_report.h"
#include "media/media_player.h"
#include "media/sound_output_null.h"
#include "settings/byte_text.h"
#include "settings/options.h"
#include "show/f_run.h"
#include "slides/treclist.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace {


struct Run {
    int code = -1;
    QString out;
    QString err;
};

// The real program, with the given changes to the environment.
Run runProgram(const QStringList& arguments, const QStringList& unset = {}, const QStringList& set = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : unset)
        env.remove(name);
    for (const QString& entry : set)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(BIMBALO_PROGRAM), arguments);
    Run r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TApplication::setErrorReporter(recordReport);
    }

    void init()
    {
        g_reports.clear();
    }

    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("show");
        QTest::addColumn<bool>("checkLock");
        QTest::addColumn<QString>("error"); // a part of the error text

        const int start = int(CommandLine::Action::Start);
        const int help = int(CommandLine::Action::ShowHelp);
        const int version = int(CommandLine::Action::ShowVersion);
        const int error = int(CommandLine::Action::Error);
        QTest::newRow("nothing") << QStringList{} << start << "" << false << false << "";
        QTest::newRow("--help") << QStringList{"--help"} << help << "" << false << false << "";
        QTest::newRow("-h") << QStringList{"-h"} << help << "" << false << false << "";
        QTest::newRow("--help-all") << QStringList{"--help-all"} << help << "" << false << false << "";
        QTest::newRow("--help beside others") << QStringList{"--show", "--help", "/x"} << help << "" << false << false << "";
        QTest::newRow("--version") << QStringList{"--version"} << version << "" << false << false << "";
        QTest::newRow("-v") << QStringList{"-v"} << version << "" << false << false << "";
        QTest::newRow("FOLDER") << QStringList{"/data/zoo"} << start << "/data/zoo" << false << false << "";
        QTest::newRow("relative FOLDER") << QStringList{"zoo"} << start << "zoo" << false << false << "";
        QTest::newRow("--show") << QStringList{"--show"} << start << "" << true << false << "";
        QTest::newRow("--show FOLDER") << QStringList{"--show", "/z"} << start << "/z" << true << false << "";
        QTest::newRow("FOLDER --show") << QStringList{"/z", "--show"} << start << "/z" << true << false << "";
        QTest::newRow("FOLDER after --") << QStringList{"--", "--show"} << start << "--show" << false << false << "";
        QTest::newRow("--check-lock") << QStringList{"--check-lock"} << start << "" << false << true << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << error << "" << false << false << "bogus";
        QTest::newRow("unknown short option") << QStringList{"-x", "/z"} << error << "" << false << false << "'x'";
        QTest::newRow("an error wins over --help") << QStringList{"--help", "--bogus"} << error << "" << false
                                                   << false << "bogus";
        QTest::newRow("value for --show") << QStringList{"--show=yes"} << error << "" << false << false << "show";
        QTest::newRow("two folders") << QStringList{"/a", "/b"} << error << "" << false << false << "one FOLDER";
        QTest::newRow("empty FOLDER") << QStringList{""} << error << "" << false << false << "empty";
        QTest::newRow("--check-lock --show") << QStringList{"--check-lock", "--show"} << error << "" << false
                                             << false << "--check-lock";
        QTest::newRow("--check-lock FOLDER") << QStringList{"--check-lock", "/z"} << error << "" << false << false
                                             << "--check-lock";
    }

    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, folder);
        QFETCH(bool, show);
        QFETCH(bool, checkLock);
        QFETCH(QString, error);
        const CommandLine c = ParseCommandLine(QStringList{"/usr/bin/bimbalo"} + arguments);
        QCOMPARE(int(c.action), action);
        if (c.action == CommandLine::Action::Error) {
            QVERIFY2(c.error.contains(error), qPrintable(c.error));
            return;
        }
        QCOMPARE(c.folder, folder);
        QCOMPARE(c.show, show);
        QCOMPARE(c.checkLock, checkLock);
    }

    void helpNamesEveryOptionAndTheProgramByItsFileName()
    {
        const QString help = CommandLineHelp();
        const QString program = QFileInfo(QCoreApplication::arguments().value(0)).fileName();
        QVERIFY2(help.startsWith(QStringLiteral("Usage: %1 [options] [FOLDER]\n").arg(program)), qPrintable(help));
        for (const char* word : {"--help", "--version", "--show", "--check-lock", "FOLDER"})
            QVERIFY2(help.contains(QLatin1String(word)), word);
    }

    void folderProblemsAndFullPaths()
    {
        QTemporaryDir dir;
        const QString root = QDir(dir.path()).canonicalPath(); // as the working folder reads
        QVERIFY(testfiles::writeBytes(dir.filePath("file.png"), "x"));
        QVERIFY(QDir(root).mkdir("sub"));
        // A folder whose name is not UTF-8 is found by its bytes.
        const QString odd = BytesToText(TextToBytes(root) + "/caf\xe9");
        QCOMPARE(::mkdir(TextToBytes(odd).constData(), 0700), 0);
        QCOMPARE(FolderProblem(root), QString());
        QCOMPARE(FolderProblem(odd), QString());
        QVERIFY(FolderProblem(root + "/missing").contains("does not exist"));
        QVERIFY(FolderProblem(root + "/file.png").contains("is not a folder"));

        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(root));
        const QString sub = FullFolderPath(QStringLiteral("./x/../sub/"));
        const QString here = FullFolderPath(QStringLiteral("."));
        QDir::setCurrent(before);
        QCOMPARE(sub, root + "/sub");
        QCOMPARE(here, root);
        QCOMPARE(FullFolderPath(odd + "/"), odd);
        // QTemporaryDir cannot remove a name that is not UTF-8.
        QCOMPARE(::rmdir(TextToBytes(odd).constData()), 0);
    }

    // The real program: --help and --version need no display; errors go to
    // standard error with exit status 2 before any window opens.
    void programAnswers_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("--version") << QStringList{"--version"} << 0
                                   << QStringLiteral("Bimbalo " BIMBALO_VERSION "\n") << QString();
        QTest::newRow("--help") << QStringList{"--help"} << 0 << QStringLiteral("Usage: bimbalo [options] [FOLDER]")
                                << QString();
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << QString()
                                        << QStringLiteral("bimbalo: Unknown option 'bogus'.");
        QTest::newRow("missing FOLDER") << QStringList{"/nonexistent/bimbalo"} << 2 << QString()
                                        << QStringLiteral("bimbalo: The folder \"/nonexistent/bimbalo\" does not exist.");
        QTest::newRow("FOLDER is a file") << QStringList{"--show", QStringLiteral(BIMBALO_PROGRAM)} << 2 << QString()
                                          << QStringLiteral("is not a folder");
    }

    void programAnswers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFETCH(QString, err);
        // --help and --version without any display; the errors on the
        // offscreen platform, where a window would stay up unseen.
        const bool answers = code == 0;
        const Run r = answers ? runProgram(arguments, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                              : runProgram(arguments, {}, {"QT_QPA_PLATFORM=offscreen"});
        QCOMPARE(r.code, code);
        if (answers) {
            QVERIFY2(r.out.startsWith(out), qPrintable(r.out));
            QCOMPARE(r.err, QString());
        } else {
            QCOMPARE(r.out, QString());
            QVERIFY2(r.err.contains(err), qPrintable(r.err));
        }
    }

    // --show: straight into the show over the settings' folder, the program's
    // exit code from how it went.
    void showAtStart_data()
    {
        QTest::addColumn<int>("slides");
        QTest::addColumn<bool>("folderExists");
        QTest::newRow("two slides") << 2 << true;
        QTest::newRow("no slides") << 0 << true;
        QTest::newRow("missing folder") << 0 << false;
    }

    void showAtStart()
    {
        QFETCH(int, slides);
        QFETCH(bool, folderExists);
        QTemporaryDir dir;
        for (int i = 0; i < slides; ++i)
            QVERIFY(testfiles::writePicture(dir.filePath(QStringLiteral("s%1.png").arg(i)), 8, 6, Qt::red));
        Options options;
        options.le_folder = folderExists ? dir.path() : dir.filePath("gone");
        options.cb_keyboard_splash = false;
        options.CheckBox_keyboark_lock = false;
        NullSoundOutput output;
        TForm_run run(options, std::make_unique<TMediaPlayer>(output), NullShowServices(), QSize(200, 150));
        treclist list;

        bool shown = false;
        QTimer quit;
        quit.setInterval(20);
        connect(&quit, &QTimer::timeout, &run, [&] {
            if (!run.isVisible())
                return;
            shown = true;
            quit.stop();
            for (Qt::Key k : {Qt::Key_Q, Qt::Key_U, Qt::Key_I, Qt::Key_T})
                QTest::keyClick(&run, k);
        });
        quit.start();
        // A show that never ends fails here rather than hanging the test.
        QTimer::singleShot(15000, &run, [&] { run.close(); });

        const int code = RunShowAtStart(run, options, list);
        QCOMPARE(list.count(), slides);
        if (slides > 0) {
            QCOMPARE(code, 0);
            QVERIFY(shown);
            QVERIFY(g_reports.isEmpty());
        } else {
            QCOMPARE(code, 1);
            QVERIFY(!shown);
            QCOMPARE(g_reports.size(), 1);
            QVERIFY2(g_reports.first().contains(options.le_folder), qPrintable(g_reports.first()));
        }
        QVERIFY(!run.isVisible());
    }
};

QTEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
