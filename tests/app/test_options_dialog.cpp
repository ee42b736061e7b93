// The options dialog: first run, enabling rules, OK and Cancel, and what the
// main window does after each.

#include "test_files.h"
#include "recorded_reports.h"
#include "app/f_main.h"
#include "errors/error_report.h"
#include "media/media_player.h"
#include "ui/folder_picker.h"
#include "ui/help_viewer.h"
#include "media/sound_output_null.h"
#include "settings/byte_text.h"
#include "settings/controls.h"
#include "settings/f_options.h"
#include "settings/ini_file.h"
#include "settings/tcolor.h"
#include "settings/text_forms.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QDir>
#include <QFrame>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {


class FakePicker : public FolderPicker {
public:
    QString answer;
    QString lastTitle;
    QString lastInitial;
    int calls = 0;
    QString BrowseForFolder(QWidget*, const QString& title, const QString& initial) override
    {
        ++calls;
        lastTitle = title;
        lastInitial = initial;
        return answer;
    }
};

QByteArray iniWith(const QByteArray& entries)
{
    return "[options]\r\n" + entries;
}

// Closes the next modal dialog with the given result once it is up.
void closeModalLater(int result)
{
    QTimer::singleShot(0, [result] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            d->done(result);
    });
}

} // namespace

class TestOptionsDialog : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    FakePicker picker_;

    QString ini() const { return dir_.filePath(QStringLiteral("bin/bimbalo.ini")); }
    QString exeDir() const { return dir_.filePath(QStringLiteral("bin")); }
    QString firstRunFolder() const { return dir_.filePath(QStringLiteral("datasets")); }

    std::unique_ptr<TForm_options> make() { return std::make_unique<TForm_options>(ini(), firstRunFolder(), picker_); }

private slots:
    void init()
    {
        g_reports.clear();
        TApplication::setErrorReporter(recordReport);
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(exeDir());
        picker_ = FakePicker();
    }

    void firstRunWritesTheDefaults()
    {
        auto form = make();
        QVERIFY(QFile::exists(ini()));
        const QByteArray expected =
            "[options]\r\nPageControl_main=0\r\nle_folder=" + QFile::encodeName(dir_.filePath("datasets"))
            + "\r\ncb_subfolders=1\r\ncb_more_kinds=0\r\ncb_sounds_enable=1\r\ncb_speak_captions=0\r\ncb_images_enable=1\r\nrg_captions_case=1\r\n"
              "rg_captions_when=2\r\ncb_background_auto=0\r\ncb_images_stretch=1\r\nrg_order=2\r\n"
              "cb_advance_keypress=1\r\ncb_advance_click=0\r\nle_advance_auto_interval=5000\r\ncb_advance_auto=0\r\n"
              "CheckBox_keyboark_lock=1\r\ncb_keyboard_splash=1\r\n"
              "FontDialog_captions='name=Tahoma';size=70;color=clRed;style=0\r\n"
              "ColorDialog_background=clBlack\r\n\r\n";
        QCOMPARE(ReadWholeFile(ini()), expected);
        Options defaults;
        defaults.le_folder = dir_.filePath("datasets");
        QVERIFY(form->options() == defaults);
    }

    // Tab walks the stored controls in the order of the settings file, and each of them feeds
    // the record the rest of the program reads.
    void tabOrderAndRecordFollowEveryStoredControl()
    {
        auto form = make();
        const QStringList stored = {"le_folder", "cb_subfolders", "cb_more_kinds", "cb_sounds_enable",
                                    "cb_speak_captions", "cb_images_enable", "rg_captions_case", "rg_captions_when", "cb_background_auto",
                                    "cb_images_stretch", "rg_order", "cb_advance_keypress", "cb_advance_click", "le_advance_auto_interval",
                                    "cb_advance_auto", "CheckBox_keyboark_lock", "cb_keyboard_splash"};
        QStringList walked;
        QWidget* at = form->le_folder->edit();
        for (int i = 0; i < 200 && walked.size() < stored.size(); ++i, at = at->nextInFocusChain()) {
            QWidget* named = at;
            while (named && !stored.contains(named->objectName()))
                named = named->parentWidget();
            if (named && (walked.isEmpty() || walked.last() != named->objectName()))
                walked << named->objectName();
        }
        QCOMPARE(walked, stored);

        // The boxes added to the dialog's first layout show their whole captions (a wrapped one on
        // as many lines as it takes), and no two stored controls of a page overlap.
        const QStringList added = {"cb_more_kinds", "cb_speak_captions", "cb_advance_click"};
        for (QCheckBox* box : form->findChildren<QCheckBox*>()) {
            if (!added.contains(box->objectName()))
                continue;
            if (qobject_cast<TWrappedCheckBox*>(box))
                QVERIFY2(box->heightForWidth(box->width()) <= box->height(), qPrintable(box->objectName()));
            else
                QVERIFY2(box->sizeHint().width() <= box->width(),
                         qPrintable(QString("%1: %2 > %3").arg(box->objectName()).arg(box->sizeHint().width()).arg(box->width())));
            for (QWidget* other : box->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (other != box && stored.contains(other->objectName()))
                    QVERIFY2(!other->geometry().intersects(box->geometry()),
                             qPrintable(box->objectName() + " overlaps " + other->objectName()));
        }
        for (QCheckBox* box : form->findChildren<QCheckBox*>()) {
            const Options before = form->options();
            box->setChecked(!box->isChecked());
            QVERIFY2(!(form->options() == before), qPrintable(box->objectName()));
            box->setChecked(!box->isChecked());
            QVERIFY2(form->options() == before, qPrintable(box->objectName()));
        }
        for (TRadioGroup* group : form->findChildren<TRadioGroup*>()) {
            const Options before = form->options();
            group->setItemIndex((group->itemIndex() + 1) % group->count());
            QVERIFY2(!(form->options() == before), qPrintable(group->objectName()));
        }
        const Options before = form->options();
        form->le_advance_auto_interval->setText(QStringLiteral("1234"));
        QCOMPARE(form->options().le_advance_auto_interval, QStringLiteral("1234"));
        QVERIFY(!(form->options() == before));
    }

    void existingFileWithoutFolderLeavesItEmpty()
    {
        QVERIFY(testfiles::writeBytes(ini(), iniWith("rg_order=7\r\n")));
        auto form = make();
        QCOMPARE(form->options().le_folder, QString());
        QCOMPARE(form->options().rg_order, 2);
        QCOMPARE(ReadWholeFile(ini()), iniWith("rg_order=7\r\n")); // a load writes nothing
    }

    void enablingRulesOnLoad_data()
    {
        QTest::addColumn<QByteArray>("entries");
        QTest::addColumn<bool>("stretchEnabled");
        QTest::addColumn<bool>("captionsEnabled");
        QTest::newRow("defaults") << QByteArray("le_folder=x\r\n") << true << true;
        QTest::newRow("images off") << QByteArray("cb_images_enable=0\r\n") << false << true;
        QTest::newRow("never") << QByteArray("rg_captions_when=1\r\n") << true << false;
        QTest::newRow("always") << QByteArray("rg_captions_when=0\r\n") << true << true;
        QTest::newRow("none chosen") << QByteArray("rg_captions_when=-4\r\n") << true << false;
    }

    void enablingRulesOnLoad()
    {
        QFETCH(QByteArray, entries);
        QFETCH(bool, stretchEnabled);
        QFETCH(bool, captionsEnabled);
        QVERIFY(testfiles::writeBytes(ini(), iniWith(entries)));
        auto form = make();
        QCOMPARE(form->cb_images_stretch->isEnabled(), stretchEnabled);
        QCOMPARE(form->rg_captions_case->isEnabled(), captionsEnabled);
        QCOMPARE(form->sb_captions_font->isEnabled(), captionsEnabled);
    }

    void enablingRulesOnUserChanges()
    {
        auto form = make();
        form->show();
        form->PageControl_main->setActivePageIndex(0);
        QTest::mouseClick(form->cb_images_enable, Qt::LeftButton, {}, QPoint(5, 8));
        QVERIFY(!form->cb_images_enable->isChecked());
        QVERIFY(!form->cb_images_stretch->isEnabled());
        QVERIFY(!form->options().cb_images_enable);
        form->cb_images_enable->click();
        QVERIFY(form->cb_images_stretch->isEnabled());

        form->rg_captions_when->button(1)->click();
        QVERIFY(!form->rg_captions_case->isEnabled());
        QVERIFY(!form->sb_captions_font->isEnabled());
        QCOMPARE(form->options().rg_captions_when, 1);
        form->rg_captions_when->button(2)->click();
        QVERIFY(form->rg_captions_case->isEnabled());
        QVERIFY(form->sb_captions_font->isEnabled());
    }

    void cancelRestoresColourAndSwatch()
    {
        auto form = make();
        form->ColorDialog_background->setColor(0x0000FF00);
        form->cb_subfolders->setChecked(false);
        form->done(QDialog::Rejected);
        QCOMPARE(form->options().ColorDialog_background, TColor(0));
        QVERIFY(form->options().cb_subfolders);
        QCOMPARE(form->Panel_back_color->palette().color(QPalette::Window), QColor(0, 0, 0));
        QVERIFY(g_reports.isEmpty());
    }

    void okWritesAndReopensOnTheSamePageAfterARestart()
    {
        {
            auto form = make();
            form->PageControl_main->setActivePageIndex(1);
            form->ColorDialog_background->setColor(0x000080FF);
            form->done(QDialog::Accepted);
        }
        auto again = make();
        QCOMPARE(again->PageControl_main->activePageIndex(), 1);
        QCOMPARE(again->options().ColorDialog_background, TColor(0x000080FF));
        QCOMPARE(again->Panel_back_color->palette().color(QPalette::Window), QColor(255, 128, 0));
        QVERIFY(ReadWholeFile(ini()).contains("ColorDialog_background=$000080FF\r\n"));

        // Cancel brings back the page stored at the last OK.
        again->PageControl_main->setActivePageIndex(0);
        again->done(QDialog::Rejected);
        QCOMPARE(again->PageControl_main->activePageIndex(), 1);
    }

    // The more kinds: on the data page right below "Include Subfolders",
    // kept through OK and a restart, and off for a file that lacks the key.
    void moreKindsRoundTrip()
    {
        {
            auto form = make();
            QCOMPARE(form->cb_more_kinds->text(),
                     QStringLiteral("Also use .jpeg, .gif, .webp, .heic, .avif, .ogg, .opus, .flac and .m4a files"));
            QCOMPARE(form->cb_more_kinds->parentWidget(), form->cb_subfolders->parentWidget());
            QCOMPARE(form->cb_subfolders->nextInFocusChain(), form->cb_more_kinds);
            QVERIFY(form->cb_more_kinds->y() > form->cb_subfolders->y());
            QVERIFY(form->cb_more_kinds->geometry().bottom() < form->cb_images_enable->y());
            // The whole caption shows, on as many lines as it takes, within the page.
            QVERIFY2(form->cb_more_kinds->heightForWidth(form->cb_more_kinds->width()) <= form->cb_more_kinds->height(),
                     qPrintable(QString::number(form->cb_more_kinds->heightForWidth(form->cb_more_kinds->width()))));
            QVERIFY(form->cb_more_kinds->geometry().right() < form->ts_data->width());
            // A click on its caption toggles it, as on any check box.
            QTest::mouseClick(form->cb_more_kinds, Qt::LeftButton, {}, QPoint(form->cb_more_kinds->width() - 30, 20));
            QVERIFY(form->cb_more_kinds->isChecked());
            form->cb_more_kinds->setChecked(false);
            QVERIFY(!form->options().cb_more_kinds);
            form->cb_more_kinds->setChecked(true);
            QVERIFY(form->options().cb_more_kinds);
            form->done(QDialog::Accepted);
        }
        QVERIFY(ReadWholeFile(ini()).contains("\r\ncb_more_kinds=1\r\n"));
        QVERIFY(make()->options().cb_more_kinds);

        QVERIFY(testfiles::writeBytes(ini(), iniWith("cb_subfolders=0\r\n")));
        QVERIFY(!make()->options().cb_more_kinds);
    }

    void cancelAfterTheFileWasDeletedKeepsTheEditedValues()
    {
        auto form = make();
        form->le_advance_auto_interval->setText(QStringLiteral("250"));
        QVERIFY(QFile::remove(ini()));
        form->done(QDialog::Rejected);
        QCOMPARE(form->options().le_advance_auto_interval, QStringLiteral("250"));
        QVERIFY(!QFile::exists(ini()));
        QVERIFY(g_reports.isEmpty());
    }

    void anUnwritableFileKeepsTheDialogOpen()
    {
        auto form = make();
        form->show();
        form->le_advance_auto_interval->setText(QStringLiteral("1234"));
        // A folder where the file should be: it can be neither read nor replaced.
        QVERIFY(QFile::remove(ini()));
        QVERIFY(QDir().mkpath(ini()));
        form->done(QDialog::Accepted);
        QCOMPARE(g_reports.size(), 1);
        QVERIFY2(g_reports.first().contains(ini()), qPrintable(g_reports.first()));
        QVERIFY(form->isVisible());
        QCOMPARE(form->options().le_advance_auto_interval, QStringLiteral("1234"));
    }

    // A parent made the file read-only to freeze the settings: OK says so,
    // leaves the file as it is and closes with the edited values in force.
    void readOnlyFileIsNotReplaced()
    {
        make();
        const QByteArray native = QFile::encodeName(ini());
        if (::geteuid() == 0)
            QCOMPARE(::chown(native.constData(), 65534, 65534), 0);
        QCOMPARE(::chmod(native.constData(), 0444), 0);
        struct stat before {};
        QCOMPARE(::stat(native.constData(), &before), 0);
        const QByteArray content = ReadWholeFile(ini());

        auto form = make();
        form->show();
        form->le_advance_auto_interval->setText(QStringLiteral("1234"));
        form->done(QDialog::Accepted);
        QCOMPARE(g_reports, QStringList{QStringLiteral("Cannot create file \"%1\". The file is read-only").arg(ini())});
        QVERIFY(!form->isVisible());
        QCOMPARE(form->result(), int(QDialog::Accepted));
        QCOMPARE(form->options().le_advance_auto_interval, QStringLiteral("1234"));

        struct stat after {};
        QCOMPARE(::stat(native.constData(), &after), 0);
        QCOMPARE(ReadWholeFile(ini()), content);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
    }

    void badFontEntryIsReportedAndStartUpGoesOn()
    {
        QVERIFY(testfiles::writeBytes(ini(), iniWith("cb_subfolders=0\r\nFontDialog_captions=size=big\r\n"
                                                     "ColorDialog_background=clRed\r\n")));
        auto form = make();
        QCOMPARE(g_reports.size(), 1);
        QCOMPARE(g_reports.first(), QStringLiteral("'big' is not a valid integer value"));
        QVERIFY(!form->options().cb_subfolders);           // restored before the failure
        QCOMPARE(form->options().ColorDialog_background, TColor(0)); // not reached
    }

    // The program in a folder whose name is not UTF-8: the settings file is
    // written beside it and read back, and the folder it names keeps its bytes.
    void programFolderNotNamedInUtf8()
    {
        const std::string root = QFile::encodeName(dir_.path()).toStdString() + "/caf\xe9 \xff\xfe";
        const auto remove = qScopeGuard([&root] { std::filesystem::remove_all(root); });
        std::filesystem::create_directories(root + "/bin");
        const QString ini = BytesToText(root + "/bin/bimbalo.ini");
        const QByteArray datasets = QByteArray::fromStdString(root + "/datasets");
        {
            TForm_options first(ini, BytesToText(datasets), picker_);
            QCOMPARE(g_reports, QStringList());
            QCOMPARE(TextToBytes(first.options().le_folder), datasets);
        }
        QVERIFY(std::filesystem::is_regular_file(root + "/bin/bimbalo.ini"));
        QCOMPARE(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), 1);
        const QByteArray written = ReadWholeFile(ini);
        QVERIFY2(written.contains("\r\nle_folder=" + datasets + "\r\n"), written.constData());

        TForm_options again(ini, BytesToText(datasets), picker_);
        QCOMPARE(TextToBytes(again.options().le_folder), datasets);
        again.done(QDialog::Accepted);
        QCOMPARE(g_reports, QStringList());
        QCOMPARE(ReadWholeFile(ini), written);
    }

    // However the file reads, anything but OK closes the dialog, and its
    // error is shown once.
    void badEntryNeverKeepsTheDialogOpen_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("Esc") << "esc";
        QTest::newRow("close box") << "close";
    }

    void badEntryNeverKeepsTheDialogOpen()
    {
        QFETCH(QString, how);
        QVERIFY(testfiles::writeBytes(ini(), iniWith("cb_subfolders=0\r\nFontDialog_captions=size=big\r\n")));
        auto form = make();
        g_reports.clear();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->cb_subfolders->setChecked(true);
        if (how == "cancel")
            form->BitBtn1->click();
        else if (how == "esc")
            QTest::keyClick(form.get(), Qt::Key_Escape);
        else
            form->close();
        QVERIFY(!form->isVisible());
        QCOMPARE(form->result(), int(QDialog::Rejected));
        QCOMPARE(g_reports, QStringList{QStringLiteral("'big' is not a valid integer value")});
        QVERIFY(!form->options().cb_subfolders); // restored before the bad entry
    }

    // The interval edit takes what converts; OK, by Enter in the edit or by
    // the button, on an unfinished text brings back the last one that did.
    void intervalTakesOnlyWhatConverts_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<QString>("stored");
        QTest::newRow("digits") << "250" << "250" << true << "250";
        QTest::newRow("letters left out") << "2x5a0" << "250" << true << "250";
        QTest::newRow("hexadecimal") << "$1f" << "$1f" << true << "$1f";
        QTest::newRow("negative") << "-0x10" << "-0x10" << true << "-0x10";
        QTest::newRow("beyond 32 bits") << "99999999999" << "999999999" << true << "999999999";
        QTest::newRow("blank after") << "12 " << "12" << true << "12";
        QTest::newRow("a sign alone") << "-" << "-" << true << "5000";
        QTest::newRow("nothing") << "" << "" << true << "5000";
        QTest::newRow("a sign alone, OK button") << "-" << "-" << false << "5000";
        QTest::newRow("hexadecimal prefix, OK button") << "25$" << "25" << false << "25";
        QTest::newRow("nothing, OK button") << "" << "" << false << "5000";
    }

    void intervalTakesOnlyWhatConverts()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(bool, enter);
        QFETCH(QString, stored);
        auto form = make();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->PageControl_main->setActivePageIndex(1);
        QLineEdit* edit = form->le_advance_auto_interval->edit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), shown);
        if (enter)
            QTest::keyClick(edit, Qt::Key_Return);
        else
            form->BitBtn2->click();
        QVERIFY(!form->isVisible());
        QCOMPARE(form->result(), int(QDialog::Accepted));
        QCOMPARE(form->options().le_advance_auto_interval, stored);
        QVERIFY(ReadWholeFile(ini()).contains("\r\nle_advance_auto_interval=" + stored.toUtf8() + "\r\n"));
        QCOMPARE(g_reports, QStringList());
    }

    // A value that does not convert may still come from the file: it stays
    // as it is, so that a show reports it.
    void intervalFromTheFileIsKeptAsItIs()
    {
        QVERIFY(testfiles::writeBytes(ini(), iniWith("le_advance_auto_interval=fast\r\n")));
        auto form = make();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->PageControl_main->setActivePageIndex(1);
        QTest::keyClick(form->le_advance_auto_interval->edit(), Qt::Key_Return);
        QVERIFY(!form->isVisible());
        QCOMPARE(form->options().le_advance_auto_interval, QStringLiteral("fast"));
        QVERIFY(ReadWholeFile(ini()).contains("\r\nle_advance_auto_interval=fast\r\n"));
    }

    // The caption font dialog offers the colour too; only OK in both dialogs
    // changes it, and the font and colour reach the settings file.
    void captionFontDialogChoosesTheColour_data()
    {
        QTest::addColumn<bool>("colourAccepted");
        QTest::addColumn<QString>("closeWith");
        QTest::addColumn<QString>("stored");
        QTest::newRow("colour chosen") << true << "ok" << "size=20;color=$00FF8000;style=1";
        QTest::newRow("colour dialog cancelled") << false << "ok" << "size=20;color=clRed;style=1";
        QTest::newRow("font dialog cancelled") << true << "cancel" << "size=70;color=clRed;style=0";
        // Esc in the font lists closes the whole dialog, not just its font part.
        QTest::newRow("Esc in the font lists") << true << "esc" << "size=70;color=clRed;style=0";
    }

    void captionFontDialogChoosesTheColour()
    {
        QFETCH(bool, colourAccepted);
        QFETCH(QString, closeWith);
        QFETCH(QString, stored);
        auto form = make();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));

        bool colourButtonFound = false;
        bool closed = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto* fonts = qobject_cast<QFontDialog*>(dialog);
            if (!fonts)
                fonts = dialog->findChild<QFontDialog*>();
            // A face that has a bold style, so that the style can be chosen.
            QString face = fonts->currentFont().family();
            for (const QString& family : QFontDatabase::families())
                if (QFontDatabase::styles(family).contains(QStringLiteral("Bold")))
                    face = family;
            QFont chosen(face);
            chosen.setPointSize(20);
            chosen.setBold(true);
            fonts->setCurrentFont(chosen);
            if (auto* button = dialog->findChild<QPushButton*>(QStringLiteral("Button_color"))) {
                colourButtonFound = true;
                QTimer::singleShot(0, [&] {
                    if (auto* colours = qobject_cast<QColorDialog*>(QApplication::activeModalWidget())) {
                        colours->setCurrentColor(QColor(0, 128, 255));
                        if (colourAccepted)
                            colours->accept();
                        else
                            colours->reject();
                    }
                });
                button->click();
            }
            if (closeWith == "esc")
                QTest::keyClick(fonts->findChild<QListView*>(), Qt::Key_Escape);
            else
                dialog->done(closeWith == "ok" ? QDialog::Accepted : QDialog::Rejected);
            closed = !dialog->isVisible();
            if (!closed)
                dialog->reject();
        });
        form->sb_captions_font->click();
        QVERIFY(colourButtonFound);
        QVERIFY(closed);

        form->done(QDialog::Accepted);
        QCOMPARE(g_reports, QStringList());
        const QByteArray file = ReadWholeFile(ini());
        QVERIFY2(file.contains(";" + stored.toUtf8() + "\r\n"), file.constData());
        CaptionFont expected;
        StringToFont(QStringLiteral("x;") + stored, &expected);
        QCOMPARE(form->options().FontDialog_captions.color, expected.color);
    }

    void browseForFolder()
    {
        auto form = make();
        form->le_folder->setText(QString());
        picker_.answer = dir_.path();
        form->sb_browseClick();
        QCOMPARE(picker_.lastTitle, QStringLiteral("Data Folder,"));
        QCOMPARE(picker_.lastInitial, QString());
        QCOMPARE(form->options().le_folder, dir_.path());

        picker_.answer = dir_.filePath("no/such/folder");
        form->sb_browseClick();
        QCOMPARE(picker_.lastInitial, dir_.path());
        QCOMPARE(form->options().le_folder, dir_.path());

        picker_.answer.clear(); // cancelled
        form->sb_browseClick();
        QCOMPARE(form->options().le_folder, dir_.path());
    }

    // A folder named on the command line is shown for the run and never
    // written, unless the user picks another folder and presses OK.
    void folderForThisRunStaysOutOfTheFile_data()
    {
        QTest::addColumn<bool>("firstRun");
        QTest::addColumn<QString>("change"); // "", "order" or "browse"
        QTest::addColumn<int>("result");
        QTest::newRow("OK untouched") << false << "" << int(QDialog::Accepted);
        QTest::newRow("OK after another change") << false << "order" << int(QDialog::Accepted);
        QTest::newRow("Cancel") << false << "order" << int(QDialog::Rejected);
        QTest::newRow("first run, OK") << true << "" << int(QDialog::Accepted);
        QTest::newRow("OK with another folder") << false << "browse" << int(QDialog::Accepted);
        QTest::newRow("another folder, Cancel") << false << "browse" << int(QDialog::Rejected);
    }

    void folderForThisRunStaysOutOfTheFile()
    {
        QFETCH(bool, firstRun);
        QFETCH(QString, change);
        QFETCH(int, result);
        const QString stored = firstRun ? dir_.filePath("datasets") : dir_.filePath("stored");
        const QString run = dir_.filePath("run");
        const QString picked = dir_.path();
        if (!firstRun)
            QVERIFY(testfiles::writeBytes(ini(), iniWith("le_folder=" + QFile::encodeName(stored) + "\r\nrg_order=2\r\n")));
        auto form = make();
        form->setFolderForThisRun(run);
        QCOMPARE(form->options().le_folder, run);
        QCOMPARE(form->le_folder->text(), run);

        if (change == "order")
            form->rg_order->setItemIndex(0);
        if (change == "browse") {
            picker_.answer = picked;
            form->sb_browseClick();
            QCOMPARE(picker_.lastInitial, run);
        }
        form->done(result);

        const bool pickedAndKept = change == "browse" && result == QDialog::Accepted;
        const QByteArray file = ReadWholeFile(ini());
        const QString inFile = pickedAndKept ? picked : stored;
        QVERIFY2(file.contains("\r\nle_folder=" + QFile::encodeName(inFile) + "\r\n"), file.constData());
        QCOMPARE(file.contains("\r\nrg_order=0\r\n"), change == "order" && result == QDialog::Accepted);
        QCOMPARE(form->options().le_folder, pickedAndKept ? picked : run);

        // Once a picked folder is stored it is an ordinary setting: Cancel
        // keeps it, and the run's folder does not come back.
        form->done(QDialog::Rejected);
        QCOMPARE(form->options().le_folder, pickedAndKept ? picked : run);
        QVERIFY(g_reports.isEmpty());
    }

    void okRebuildsTheListAndCancelDoesNot()
    {
        QTemporaryDir data;
        QVERIFY(testfiles::writePicture(data.filePath("a.png"), 4, 4, Qt::red));
        QVERIFY(testfiles::writeBytes(ini(), iniWith("le_folder=" + QFile::encodeName(data.path()) + "\r\n")));
        NullSoundOutput output;
        NullHelpViewer help;
        Tform_main main(help, std::make_unique<TMediaPlayer>(output));
        TForm_options form(ini(), firstRunFolder(), picker_, &main);
        main.setOptions(&form.options());
        main.setForms(&form, nullptr);
        main.RefreshSlides();
        QCOMPARE(main.ListView_main->model()->rowCount(), 1);

        QVERIFY(testfiles::writePicture(data.filePath("b.png"), 4, 4, Qt::red));
        closeModalLater(QDialog::Rejected);
        main.Action_run_optionsExecute();
        QCOMPARE(main.ListView_main->model()->rowCount(), 1);

        closeModalLater(QDialog::Accepted);
        main.Action_run_optionsExecute();
        QCOMPARE(main.ListView_main->model()->rowCount(), 2);
        QCOMPARE(main.ListView_main->selectionModel()->selectedRows().size(), 1);
    }
};

QTEST_MAIN(TestOptionsDialog)
#include "test_options_dialog.moc"
