#include "settings/controls.h"
#include "settings/ini_file.h"
#include "settings/text_forms.h"
#include "settings/u_saveform.h"

#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>
#include <unistd.h>

namespace {

template <typename T, typename P>
T* Named(P* parent, const char* name)
{
    T* object = new T(parent);
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

// The options dialog's controls, with the same names, kinds, nesting and
// creation order.
struct OptionsLikeForm {
    QWidget form;
    TPageControl* PageControl_main;
    TLabeledEdit* le_folder;
    QCheckBox *cb_subfolders, *cb_sounds_enable, *cb_images_enable, *cb_background_auto, *cb_images_stretch;
    TRadioGroup *rg_captions_case, *rg_captions_when, *rg_order;
    QCheckBox *cb_advance_keypress, *cb_advance_auto, *CheckBox_keyboark_lock, *cb_keyboard_splash;
    TLabeledEdit* le_advance_auto_interval;
    TFontDialogHolder* FontDialog_captions;
    TColorDialogHolder* ColorDialog_background;

    static TRadioGroup* Group(QWidget* parent, const char* name, const QStringList& items, int index)
    {
        auto* g = Named<TRadioGroup>(parent, name);
        g->setItems(items);
        g->setItemIndex(index);
        return g;
    }
    static QCheckBox* Box(QWidget* parent, const char* name, bool checked)
    {
        auto* b = Named<QCheckBox>(parent, name);
        b->setChecked(checked);
        return b;
    }

    OptionsLikeForm()
    {
        form.setObjectName("Form_options");
        Named<QPushButton>(&form, "BitBtn1");
        Named<QPushButton>(&form, "BitBtn2");
        PageControl_main = Named<TPageControl>(&form, "PageControl_main");
        auto* ts_data = Named<QWidget>(PageControl_main, "ts_data");
        PageControl_main->addTab(ts_data, "Data");
        Named<QToolButton>(ts_data, "sb_captions_font");
        Named<QToolButton>(ts_data, "sb_browse");
        le_folder = Named<TLabeledEdit>(ts_data, "le_folder");
        cb_subfolders = Box(ts_data, "cb_subfolders", true);
        cb_sounds_enable = Box(ts_data, "cb_sounds_enable", true);
        cb_images_enable = Box(ts_data, "cb_images_enable", true);
        rg_captions_case = Group(ts_data, "rg_captions_case", {"Unchanged ", "Uppercase", "Lowercase"}, 1);
        rg_captions_when = Group(ts_data, "rg_captions_when", {"Always", "Never", "When there is no image"}, 2);
        auto* gb_background = Named<QGroupBox>(ts_data, "gb_background");
        Named<QToolButton>(gb_background, "sb_background");
        Named<QFrame>(gb_background, "Panel_back_color");
        cb_background_auto = Box(gb_background, "cb_background_auto", false);
        cb_images_stretch = Box(ts_data, "cb_images_stretch", true);
        auto* ts_params = Named<QWidget>(PageControl_main, "ts_params");
        PageControl_main->addTab(ts_params, "Presentation");
        rg_order = Group(ts_params, "rg_order", {"Unsorted", "Alphabetical Order (on caption)", "Random Order"}, 2);
        auto* gb_params_advance = Named<QGroupBox>(ts_params, "gb_params_advance");
        cb_advance_keypress = Box(gb_params_advance, "cb_advance_keypress", true);
        le_advance_auto_interval = Named<TLabeledEdit>(gb_params_advance, "le_advance_auto_interval");
        le_advance_auto_interval->setLabelPosition(TLabeledEdit::LabelPosition::Left);
        le_advance_auto_interval->setText("5000");
        cb_advance_auto = Box(gb_params_advance, "cb_advance_auto", false);
        CheckBox_keyboark_lock = Box(gb_params_advance, "CheckBox_keyboark_lock", true);
        auto* GroupBox1 = Named<QGroupBox>(ts_params, "GroupBox1");
        cb_keyboard_splash = Box(GroupBox1, "cb_keyboard_splash", true);
        FontDialog_captions = Named<TFontDialogHolder>(&form, "FontDialog_captions");
        ColorDialog_background = Named<TColorDialogHolder>(&form, "ColorDialog_background");
        PageControl_main->setActivePageIndex(0);
    }

    // A control's state in the file's text form, to compare rows against.
    QString state(const QString& name) const
    {
        QObject* o = form.findChild<QObject*>(name);
        if (auto* b = qobject_cast<QCheckBox*>(o))
            return b->isChecked() ? "1" : "0";
        if (auto* g = qobject_cast<TRadioGroup*>(o))
            return QString::number(g->itemIndex());
        if (auto* p = qobject_cast<TPageControl*>(o))
            return QString::number(p->activePageIndex());
        if (auto* e = qobject_cast<TLabeledEdit*>(o))
            return e->text();
        if (auto* f = qobject_cast<TFontDialogHolder*>(o))
            return FontToString(&f->font());
        if (auto* c = qobject_cast<TColorDialogHolder*>(o))
            return ColorToString(c->color());
        return "<no control " + name + ">";
    }
};

QByteArray FirstRunFile(const QByteArray& folder)
{
    return "[options]\r\n"
           "PageControl_main=0\r\n"
           "le_folder=" + folder + "\r\n"
           "cb_subfolders=1\r\n"
           "cb_sounds_enable=1\r\n"
           "cb_images_enable=1\r\n"
           "rg_captions_case=1\r\n"
           "rg_captions_when=2\r\n"
           "cb_background_auto=0\r\n"
           "cb_images_stretch=1\r\n"
           "rg_order=2\r\n"
           "cb_advance_keypress=1\r\n"
           "le_advance_auto_interval=5000\r\n"
           "cb_advance_auto=0\r\n"
           "CheckBox_keyboark_lock=1\r\n"
           "cb_keyboard_splash=1\r\n"
           "FontDialog_captions='name=Tahoma';size=70;color=clRed;style=0\r\n"
           "ColorDialog_background=clBlack\r\n"
           "\r\n";
}

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void Put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::runtime_error& e) {
        return QString::fromUtf8(e.what());
    }
    return "(no error)";
}

} // namespace

class SaveFormTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_ini;

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_ini = m_dir.filePath("bimbalo.ini");
        QFile::remove(m_ini);
    }

    void firstRunFileHoldsTheSeventeenEntriesInOrder()
    {
        OptionsLikeForm f;
        f.le_folder->setText("/opt/datasets");
        SaveFormToIni(&f.form, "options", m_ini);
        QCOMPARE(Bytes(m_ini), FirstRunFile("/opt/datasets"));
    }

    void loadRestoresEntries_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("expected");

        const QByteArray h = "[options]\r\n";
        QTest::newRow("key in capitals") << h + "LE_FOLDER=/upper\r\n" << "le_folder" << "/upper";
        QTest::newRow("section in capitals") << QByteArray("[OPTIONS]\nle_folder=/x\n") << "le_folder" << "/x";
        QTest::newRow("later duplicate counts") << h + "le_folder=/a\r\nle_folder=/b\r\n" << "le_folder" << "/b";
        QTest::newRow("other section ignored") << QByteArray("[other]\nle_folder=/a\n") << "le_folder" << "";
        QTest::newRow("folder blanks trimmed") << h + "le_folder=  /with blank  \r\n" << "le_folder" << "/with blank";
        QTest::newRow("interval any text") << h + "le_advance_auto_interval= fast \r\n" << "le_advance_auto_interval" << "fast";
        QTest::newRow("rg_order 7 is last") << h + "rg_order=7\r\n" << "rg_order" << "2";
        QTest::newRow("rg_order -5 is none") << h + "rg_order=-5\r\n" << "rg_order" << "-1";
        QTest::newRow("rg_order 0") << h + "rg_order=0\r\n" << "rg_order" << "0";
        QTest::newRow("rg_order word keeps") << h + "rg_order=first\r\n" << "rg_order" << "2";
        QTest::newRow("bool 2 checks") << h + "cb_background_auto=2\r\n" << "cb_background_auto" << "1";
        QTest::newRow("bool -1 checks") << h + "cb_background_auto=-1\r\n" << "cb_background_auto" << "1";
        QTest::newRow("bool yes keeps") << h + "cb_background_auto=yes\r\n" << "cb_background_auto" << "0";
        QTest::newRow("bool empty keeps") << h + "cb_background_auto=\r\n" << "cb_background_auto" << "0";
        QTest::newRow("bool 0 clears") << h + "cb_subfolders=0\r\n" << "cb_subfolders" << "0";
        QTest::newRow("page $1") << h + "PageControl_main=$1\r\n" << "PageControl_main" << "1";
        QTest::newRow("page 0x1") << h + "PageControl_main=0x1\r\n" << "PageControl_main" << "1";
        QTest::newRow("page 5 is none") << h + "PageControl_main=5\r\n" << "PageControl_main" << "-1";
        QTest::newRow("page -1 is none") << h + "PageControl_main=-1\r\n" << "PageControl_main" << "-1";
        QTest::newRow("font partial") << h + "FontDialog_captions='name=Arial';size=;color=clBlue\r\n"
                                      << "FontDialog_captions" << "'name=Arial';size=11;color=clBlue;style=0";
        QTest::newRow("font default") << h + "FontDialog_captions=default\r\n"
                                      << "FontDialog_captions" << "'name=Tahoma';size=11;color=clGreen;style=0";
        QTest::newRow("font face with blanks") << h + "FontDialog_captions='name=Times New Roman';size=12;color=clBlue;style=3\r\n"
                                               << "FontDialog_captions" << "'name=Times New Roman';size=12;color=clBlue;style=3";
        QTest::newRow("font face with quote") << h + "FontDialog_captions='name=Bob''s';size=9;color=$00010203;style=4\r\n"
                                              << "FontDialog_captions" << "'name=Bob''s';size=9;color=$00010203;style=4";
        QTest::newRow("font missing keeps") << h << "FontDialog_captions" << "'name=Tahoma';size=11;color=clGreen;style=1";
        QTest::newRow("colour any case") << h + "ColorDialog_background=CLWHITE\r\n" << "ColorDialog_background" << "clWhite";
        QTest::newRow("colour hex") << h + "ColorDialog_background=$000080FF\r\n" << "ColorDialog_background" << "$000080FF";
        QTest::newRow("colour missing is black") << h << "ColorDialog_background" << "clBlack";
    }

    void loadRestoresEntries()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, control);
        QFETCH(QString, expected);
        OptionsLikeForm f;
        // Not the defaults, so that a missing entry shows which way it went.
        f.FontDialog_captions->setFont([] {
            CaptionFont c;
            c.setSize(11);
            c.color = 0x00008000;
            c.style = fsBold;
            return c;
        }());
        f.ColorDialog_background->setColor(0x00FFFFFF);
        Put(m_ini, file);
        QVERIFY(LoadFormFromIni(&f.form, "options", m_ini));
        QCOMPARE(f.state(control), expected);
    }

    void pageOutOfRangeShowsNoPageAndIsWrittenAsMinusOne()
    {
        OptionsLikeForm f;
        f.form.show();
        Put(m_ini, "[options]\r\nPageControl_main=5\r\n");
        QVERIFY(LoadFormFromIni(&f.form, "options", m_ini));
        QVERIFY(!f.PageControl_main->widget(0)->isVisible());
        QVERIFY(!f.PageControl_main->widget(1)->isVisible());
        SaveFormToIni(&f.form, "options", m_ini);
        QVERIFY(Bytes(m_ini).contains("\r\nPageControl_main=-1\r\n"));

        Put(m_ini, "[options]\r\nPageControl_main=0\r\n");
        QVERIFY(LoadFormFromIni(&f.form, "options", m_ini));
        QCOMPARE(f.PageControl_main->activePageIndex(), 0);
        QVERIFY(f.PageControl_main->widget(0)->isVisible());
    }

    void writeDropsEverythingElse()
    {
        Put(m_ini, "; comment\r\n[first]\r\na=1\r\n[options]\r\nunknown=3\r\nle_folder=/old\r\n[last]\r\nb=2\r\n");
        OptionsLikeForm f;
        f.le_folder->setText("/new");
        SaveFormToIni(&f.form, "options", m_ini);
        QCOMPARE(Bytes(m_ini), FirstRunFile("/new"));
    }

    void saveThenLoadRestoresEveryKind()
    {
        auto build = [](QWidget& form) {
            Named<QLineEdit>(&form, "e_plain");
            Named<TLabeledEdit>(&form, "le_labelled");
            auto* pages = Named<TPageControl>(&form, "pc");
            pages->addTab(new QWidget, "a");
            pages->addTab(new QWidget, "b");
            Named<QCheckBox>(&form, "cb");
            Named<QRadioButton>(&form, "rb");
            Named<TRadioGroup>(&form, "rg")->setItems({"x", "y", "z"});
            Named<QPlainTextEdit>(&form, "memo");
            Named<TFontDialogHolder>(&form, "fd");
            Named<TColorDialogHolder>(&form, "cd");
        };
        QWidget a;
        build(a);
        a.findChild<QLineEdit*>("e_plain")->setText("plain text");
        a.findChild<TLabeledEdit*>("le_labelled")->setText("labelled = text; 'quoted'");
        a.findChild<TPageControl*>("pc")->setActivePageIndex(1);
        a.findChild<QCheckBox*>("cb")->setChecked(true);
        a.findChild<QRadioButton*>("rb")->setChecked(true);
        a.findChild<TRadioGroup*>("rg")->setItemIndex(1);
        a.findChild<QPlainTextEdit*>("memo")->setPlainText("first\nsecond line\n\nlast");
        CaptionFont font;
        font.name = "DejaVu Sans Mono";
        font.setSize(13);
        font.color = 0x00123456;
        font.style = fsItalic | fsStrikeOut;
        a.findChild<TFontDialogHolder*>("fd")->setFont(font);
        a.findChild<TColorDialogHolder*>("cd")->setColor(0xFF00000F);
        SaveFormToIni(&a, "s", m_ini);
        QCOMPARE(Bytes(m_ini), QByteArray("[s]\r\ne_plain=plain text\r\nle_labelled=labelled = text; 'quoted'\r\npc=1\r\ncb=1\r\nrb=1\r\nrg=1\r\n"
                                          "memo_line+0=first\r\nmemo_line+1=second line\r\nmemo_line+2=\r\nmemo_line+3=last\r\n"
                                          "fd='name=DejaVu Sans Mono';size=13;color=$00123456;style=10\r\ncd=clBtnFace\r\n\r\n"));

        QWidget b;
        build(b);
        b.findChild<QPlainTextEdit*>("memo")->setPlainText("kept");
        QVERIFY(LoadFormFromIni(&b, "S", m_ini));
        QCOMPARE(b.findChild<QLineEdit*>("e_plain")->text(), "plain text");
        QCOMPARE(b.findChild<TLabeledEdit*>("le_labelled")->text(), "labelled = text; 'quoted'");
        QCOMPARE(b.findChild<TPageControl*>("pc")->activePageIndex(), 1);
        QVERIFY(b.findChild<QCheckBox*>("cb")->isChecked());
        QVERIFY(b.findChild<QRadioButton*>("rb")->isChecked());
        QCOMPARE(b.findChild<TRadioGroup*>("rg")->itemIndex(), 1);
        // Stored lines are added after the ones already there.
        QCOMPARE(b.findChild<QPlainTextEdit*>("memo")->toPlainText(), "kept\nfirst\nsecond line\n\nlast");
        QCOMPARE(b.findChild<TFontDialogHolder*>("fd")->font(), font);
        QCOMPARE(b.findChild<TColorDialogHolder*>("cd")->color(), 0xFF00000Fu);
    }

    // The reader trims values, so a text with blanks at an end is written
    // quoted; a text that is itself quoted gets a second pair.
    void textSurvivesAWriteAndARead_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("plain") << "/data folder" << QByteArray("le_folder=/data folder");
        QTest::newRow("empty") << "" << QByteArray("le_folder=");
        QTest::newRow("trailing blank") << "/data/folder " << QByteArray("le_folder=\"/data/folder \"");
        QTest::newRow("leading blank") << " /data" << QByteArray("le_folder=\" /data\"");
        QTest::newRow("tab at the end") << "/data\t" << QByteArray("le_folder=\"/data\t\"");
        QTest::newRow("only blanks") << "  " << QByteArray("le_folder=\"  \"");
        QTest::newRow("quoted") << "\"/data\"" << QByteArray("le_folder=\"\"/data\"\"");
        QTest::newRow("quote at one end") << "\"/data" << QByteArray("le_folder=\"/data");
        QTest::newRow("a lone quote") << "\"" << QByteArray("le_folder=\"");
    }

    void textSurvivesAWriteAndARead()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, line);
        OptionsLikeForm a;
        a.le_folder->setText(text);
        SaveFormToIni(&a.form, "options", m_ini);
        QVERIFY2(Bytes(m_ini).contains("\r\n" + line + "\r\n"), Bytes(m_ini).constData());
        OptionsLikeForm b;
        b.le_folder->setText("/other");
        QVERIFY(LoadFormFromIni(&b.form, "options", m_ini));
        QCOMPARE(b.le_folder->text(), text);
    }

    void walkGoesDepthFirstInCreationOrderAndSkipsParts()
    {
        QWidget form;
        Named<QCheckBox>(&form, "a");
        auto* outer = Named<QGroupBox>(&form, "outer");
        Named<QCheckBox>(outer, "b");
        auto* inner = Named<QFrame>(outer, "inner");
        auto* rg = Named<TRadioGroup>(inner, "c");
        rg->setItems({"one", "two"});
        rg->button(0)->setObjectName("rg_item");      // part of the group: not stored alone
        auto* le = Named<TLabeledEdit>(inner, "d");
        le->edit()->setObjectName("le_inner");        // part of the labelled edit
        Named<QLineEdit>(&form, "");                  // nameless: nothing to key it by
        Named<QCheckBox>(outer, "e");
        Named<QCheckBox>(&form, "f");
        SaveFormToIni(&form, "s", m_ini);
        QCOMPARE(Bytes(m_ini), QByteArray("[s]\r\na=0\r\nb=0\r\nc=-1\r\nd=\r\ne=0\r\nf=0\r\n\r\n"));
    }

    void loadFiresChangeHandlers()
    {
        OptionsLikeForm f;
        int toggles = 0;
        QObject::connect(f.cb_images_enable, &QCheckBox::toggled, &f.form, [&](bool on) {
            ++toggles;
            f.cb_images_stretch->setEnabled(on);
        });
        QSignalSpy clicks(f.rg_captions_when, &TRadioGroup::itemClicked);
        QSignalSpy orderClicks(f.rg_order, &TRadioGroup::itemClicked);

        Put(m_ini, "[options]\r\ncb_images_enable=0\r\nrg_captions_when=1\r\nrg_order=-3\r\n");
        QVERIFY(LoadFormFromIni(&f.form, "options", m_ini));
        QCOMPARE(toggles, 1);
        QVERIFY(!f.cb_images_stretch->isEnabled());
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks.at(0).at(0).toInt(), 1);
        QCOMPARE(orderClicks.count(), 0); // moving to no item reports nothing

        // Nothing changes, nothing fires.
        QVERIFY(LoadFormFromIni(&f.form, "options", m_ini));
        QCOMPARE(toggles, 1);
        QCOMPARE(clicks.count(), 1);

        Put(m_ini, "[options]\r\ncb_images_enable=1\r\nrg_order=9\r\n");
        QVERIFY(LoadFormFromIni(&f.form, "options", m_ini));
        QCOMPARE(toggles, 2);
        QVERIFY(f.cb_images_stretch->isEnabled());
        QCOMPARE(orderClicks.count(), 1);
        QCOMPARE(orderClicks.at(0).at(0).toInt(), 2);
    }

    void conversionErrorStopsTheWalk_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("colourAfter");
        QTest::newRow("unknown colour name") << QByteArray("[options]\r\nle_folder=/restored\r\nColorDialog_background=clOrange\r\n")
                                             << "'clOrange' is not a valid integer value" << "clWhite";
        QTest::newRow("empty colour") << QByteArray("[options]\r\nle_folder=/restored\r\nColorDialog_background=\r\n")
                                      << "'' is not a valid integer value" << "clWhite";
        // The font comes before the colour: the colour is not reached.
        QTest::newRow("bad font size") << QByteArray("[options]\r\nle_folder=/restored\r\nFontDialog_captions=size=big\r\n")
                                       << "'big' is not a valid integer value" << "clWhite";
    }

    void conversionErrorStopsTheWalk()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        QFETCH(QString, colourAfter);
        OptionsLikeForm f;
        f.ColorDialog_background->setColor(0x00FFFFFF);
        Put(m_ini, file);
        QCOMPARE(ErrorOf([&] { LoadFormFromIni(&f.form, "options", m_ini); }), message);
        QCOMPARE(f.le_folder->text(), "/restored");
        QCOMPARE(ColorToString(f.ColorDialog_background->color()), colourAfter);
    }

    void missingFileChangesNothing()
    {
        OptionsLikeForm f;
        f.le_folder->setText("/mine");
        QVERIFY(!LoadFormFromIni(&f.form, "options", m_ini));
        QCOMPARE(f.le_folder->text(), "/mine");
        QCOMPARE(f.ColorDialog_background->color(), 0u);
    }

    void unreadableFileFailsBothWaysAndIsLeftAlone()
    {
        // A link to itself: it exists, and nobody, root included, can open it.
        QVERIFY(::symlink("bimbalo.ini", QFile::encodeName(m_ini).constData()) == 0);
        OptionsLikeForm f;
        const QString expected = QString("Cannot open file \"%1\". %2").arg(m_ini, QString::fromLocal8Bit(strerror(ELOOP)));
        QCOMPARE(ErrorOf([&] { LoadFormFromIni(&f.form, "options", m_ini); }), expected);
        QCOMPARE(ErrorOf([&] { SaveFormToIni(&f.form, "options", m_ini); }), expected);
        QVERIFY(QFileInfo(m_ini).isSymLink());
    }

    void failedWriteKeepsTheOldFile()
    {
        const QString path = m_dir.filePath("sub/bimbalo.ini");
        OptionsLikeForm f;
        QCOMPARE(ErrorOf([&] { SaveFormToIni(&f.form, "options", path); }),
                 QString("Cannot create file \"%1\". %2").arg(path, QString::fromLocal8Bit(strerror(ENOENT))));

        Put(m_ini, "[options]\r\nle_folder=/old\r\n");
        QVERIFY(QDir().mkpath(m_ini + ".blocked"));
        const QByteArray before = Bytes(m_ini);
        // A folder where the file should be cannot be replaced.
        const QString blocked = m_ini + ".blocked";
        QVERIFY(ErrorOf([&] { SaveFormToIni(&f.form, "options", blocked); }).startsWith("Cannot create file \"" + blocked + "\". "));
        QVERIFY(QFileInfo(blocked).isDir());
        QCOMPARE(Bytes(m_ini), before);
    }

    void radioGroupClampsItsIndex_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("expected");
        const QStringList three{"a", "b", "c"};
        QTest::newRow("inside") << three << 1 << 1;
        QTest::newRow("beyond") << three << 7 << 2;
        QTest::newRow("below") << three << -5 << -1;
        QTest::newRow("none") << three << -1 << -1;
        QTest::newRow("no items") << QStringList{} << 3 << -1;
    }

    void radioGroupClampsItsIndex()
    {
        QFETCH(QStringList, items);
        QFETCH(int, set);
        QFETCH(int, expected);
        TRadioGroup g;
        g.setItems(items);
        if (!items.isEmpty())
            g.setItemIndex(0);
        g.setItemIndex(set);
        QCOMPARE(g.itemIndex(), expected);
        for (int i = 0; i < g.count(); ++i)
            QCOMPARE(g.button(i)->isChecked(), i == expected);
    }

    void userClickOnRadioGroupReportsTheItem()
    {
        TRadioGroup g("Order", {"a", "b", "c"});
        g.show();
        QSignalSpy spy(&g, &TRadioGroup::itemClicked);
        QTest::mouseClick(g.button(2), Qt::LeftButton);
        QCOMPARE(g.itemIndex(), 2);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 2);
    }

    void labelledEditPlacesTheEditBoxWhereAsked_data()
    {
        QTest::addColumn<bool>("labelLeft");
        QTest::newRow("label above") << false;
        QTest::newRow("label left") << true;
    }

    void labelledEditPlacesTheEditBoxWhereAsked()
    {
        QFETCH(bool, labelLeft);
        QWidget parent;
        auto* le = new TLabeledEdit(&parent);
        le->setLabelPosition(labelLeft ? TLabeledEdit::LabelPosition::Left : TLabeledEdit::LabelPosition::Above);
        const QRect wanted(191, 44, 49, 21);
        le->setEditGeometry(wanted);
        le->setLabelCaption("Advance interval (msec)"); // a longer caption must not move the edit
        const QRect edit(le->edit()->mapTo(&parent, QPoint(0, 0)), le->edit()->size());
        QCOMPARE(edit, wanted);
        const QRect label(le->editLabel()->mapTo(&parent, QPoint(0, 0)), le->editLabel()->size());
        QVERIFY(!label.intersects(edit));
        QCOMPARE(labelLeft ? label.right() < edit.left() : label.bottom() < edit.top(), true);
    }

    void pickingATabEndsTheNoPageState()
    {
        TPageControl pc;
        pc.addTab(new QWidget, "a");
        pc.addTab(new QWidget, "b");
        pc.show();
        pc.setActivePageIndex(-1);
        QCOMPARE(pc.activePageIndex(), -1);
        QVERIFY(!pc.widget(0)->isVisible());
        const QRect tab = pc.tabBar()->tabRect(0);
        QTest::mouseClick(pc.tabBar(), Qt::LeftButton, Qt::KeyboardModifiers(), tab.center());
        QCOMPARE(pc.activePageIndex(), 0);
        QVERIFY(pc.widget(0)->isVisible());
    }
};

QTEST_MAIN(SaveFormTest)
#include "test_saveform.moc"
