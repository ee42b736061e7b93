// The about box: texts from the program's version block, the picture beside
// the program and the icon in its place.

#include "test_files.h"
#include "app/f_about.h"
#include "app/version_info.h"
#include "media/picture_decoders.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

struct Seen {
    bool shown = false;
    QString company, app, version, copyright, email, web;
    QSize picture;
    bool closedByOk = false;
};

// Shows the box for exePath, reads it once it is up, and closes it with OK.
Seen showAndRead(const QString& exePath)
{
    Seen seen;
    QTimer::singleShot(0, [&seen] {
        auto* box = qobject_cast<TForm_about*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen.shown = true;
        seen.company = box->l_companyname->text();
        seen.app = box->l_appname->text();
        seen.version = box->l_appversion->text();
        seen.copyright = box->l_copyright1->text();
        seen.email = box->l_email->text();
        seen.web = box->l_http->text();
        seen.picture = box->Image_main->pixmap().size();
        // Without a cancel button, Esc leaves the box open.
        QTest::keyClick(box, Qt::Key_Escape);
        if (!box->isVisible())
            return;
        QTest::mouseClick(box->OKButton, Qt::LeftButton);
        seen.closedByOk = true;
    });
    ShowAboutBox(exePath);
    return seen;
}

QString writeProgram(const QTemporaryDir& dir, const QByteArray& lines)
{
    const QString exe = dir.filePath(QStringLiteral("bimbalo"));
    testfiles::writeBytes(exe, QByteArray("\x7f" "ELF...") + VersionBlockMarker() + lines + QByteArray(1, '\0'));
    return exe;
}

} // namespace

class TestAboutBox : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationName(QStringLiteral("Bimbalo")); }

    void textsComeFromTheVersionBlock()
    {
        QTemporaryDir dir;
        const QString exe = writeProgram(dir, "StringFileInfo\\040904e4\\CompanyName=Quillfen\n"
                                              "StringFileInfo\\040904e4\\FileVersion=1.1.0.36\n"
                                              "StringFileInfo\\040904e4\\LegalCopyright=(c) The Makers\n");
        const Seen first = showAndRead(exe);
        QVERIFY(first.shown);
        QVERIFY(first.closedByOk);
        QCOMPARE(first.company, QStringLiteral("Quillfen"));
        QCOMPARE(first.app, QStringLiteral("Bimbalo"));
        QCOMPARE(first.version, QStringLiteral("1.1.0.36"));
        QCOMPARE(first.copyright, QStringLiteral("(c) The Makers"));
        QCOMPARE(first.email, QString::fromUtf8(kMakerEmail));
        QCOMPARE(first.web, QString::fromUtf8(kMakerWeb));

        // Each showing reads the block again.
        writeProgram(dir, "StringFileInfo\\040904e4\\CompanyName=Someone Else\n");
        const Seen second = showAndRead(exe);
        QCOMPARE(second.company, QStringLiteral("Someone Else"));
        QCOMPARE(second.version, QString());
        QCOMPARE(second.copyright, QString::fromUtf8(kMakerCopyright));
    }

    void otherLanguageOrNoBlockGivesTheFixedLine_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("other language") << QByteArray("StringFileInfo\\040704b0\\CompanyName=Quillfen\n"
                                                      "StringFileInfo\\040704b0\\LegalCopyright=(c) x\n");
        QTest::newRow("empty copyright") << QByteArray("StringFileInfo\\040904e4\\LegalCopyright=\n");
        QTest::newRow("no block") << QByteArray();
    }

    void otherLanguageOrNoBlockGivesTheFixedLine()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        QString exe = writeProgram(dir, content);
        if (content.isEmpty())
            testfiles::writeBytes(exe, "no version block at all");
        const Seen seen = showAndRead(exe);
        QVERIFY(seen.shown);
        QCOMPARE(seen.company, QString());
        QCOMPARE(seen.version, QString());
        QCOMPARE(seen.copyright, QString::fromUtf8(kMakerCopyright));
    }

    void pictureBesideTheProgramOrTheIcon()
    {
        QTemporaryDir dir;
        const QString exe = writeProgram(dir, "");
        const int iconSize = QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
        QCOMPARE(showAndRead(exe).picture, QSize(iconSize, iconSize));

        QVERIFY(testfiles::writePicture(dir.filePath("bimbalo_icon.bmp"), 120, 90, Qt::green, "BMP"));
        QCOMPARE(showAndRead(exe).picture, QSize(120, 90));
    }

    void aDamagedPictureRaisesBeforeTheBoxShows()
    {
        QTemporaryDir dir;
        const QString exe = writeProgram(dir, "");
        QVERIFY(testfiles::writeBytes(dir.filePath("bimbalo_icon.bmp"), "BM broken"));
        bool shown = false;
        QTimer::singleShot(0, [&shown] {
            if (auto* box = QApplication::activeModalWidget()) {
                shown = true;
                box->close();
            }
        });
        QVERIFY_THROWS_EXCEPTION(EPictureError, ShowAboutBox(exe));
        QVERIFY(!shown);
    }
};

QTEST_MAIN(TestAboutBox)
#include "test_about_box.moc"
