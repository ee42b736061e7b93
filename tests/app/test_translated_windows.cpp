// The options dialog and the keyboard help splash in each language the
// program speaks: the translation loads and is used, and where the English
// caption of a control fits its place, the translated one fits as well
// (the dialog and the splash are laid out at fixed places).

#include "app/f_main.h"
#include "app/translations.h"
#include "media/media_player.h"
#include "media/sound_output_null.h"
#include "settings/controls.h"
#include "settings/f_options.h"
#include "show/f_instructions.h"
#include "ui/design_fonts.h"
#include "ui/folder_picker.h"
#include "ui/help_viewer.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLayout>
#include <QRadioButton>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMap>
#include <QSet>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <memory>

namespace {

class NoPicker : public FolderPicker {
public:
    QString BrowseForFolder(QWidget*, const QString&, const QString&) override { return {}; }
};

struct Shown {
    QString text;
    bool fits = false;
};

// What each captioned control of the dialog shows, by object name, and whether all of it shows.
QMap<QString, Shown> Captions(TForm_options& form)
{
    QMap<QString, Shown> shown;
    // A radio group's buttons are laid out in it, and named here by the group and their place.
    for (TRadioGroup* group : form.findChildren<TRadioGroup*>()) {
        group->layout()->activate();
        for (int i = 0; i < group->count(); ++i) {
            const QRadioButton* button = group->button(i);
            shown[group->objectName() + QLatin1Char('/') + QString::number(i)] = {
                button->text(), button->sizeHint().width() <= button->width()};
        }
    }
    for (const QAbstractButton* button : form.findChildren<QAbstractButton*>()) {
        if (button->objectName().isEmpty() || button->text().isEmpty())
            continue;
        const auto* wrapped = qobject_cast<const TWrappedCheckBox*>(button);
        const bool fits = wrapped ? wrapped->heightForWidth(wrapped->width()) <= wrapped->height()
                                  : button->sizeHint().width() <= button->width();
        shown[button->objectName()] = {button->text(), fits};
    }
    for (const QGroupBox* box : form.findChildren<QGroupBox*>()) {
        // The title sits on the frame, a few pixels in from either side.
        const int width = box->fontMetrics().horizontalAdvance(box->title()) + 16;
        shown[box->objectName()] = {box->title(), width <= box->width()};
    }
    for (const TLabeledEdit* edit : form.findChildren<TLabeledEdit*>()) {
        // A label grows the control: above its edit it is cut at the edit's width, to its left
        // the control reaches further left, where it must neither leave its box nor run into
        // another control.
        const QLabel* label = edit->editLabel();
        bool fits = label->sizeHint().width() <= label->width() && edit->x() >= 0;
        for (const QWidget* other : edit->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            fits = fits && (other == edit || !other->isVisibleTo(&form) || !other->geometry().intersects(edit->geometry()));
        shown[edit->objectName()] = {label->text(), fits};
    }
    const QTabWidget* pages = form.PageControl_main;
    for (int i = 0; i < pages->count(); ++i)
        shown[pages->widget(i)->objectName()] = {pages->tabText(i), true};
    return shown;
}

struct SplashText {
    QString text;
    QRect place;
};

QMap<QString, SplashText> SplashTexts(const TForm_instructions& splash)
{
    QMap<QString, SplashText> texts;
    for (const QLabel* label : splash.findChildren<QLabel*>())
        texts[label->objectName()] = {label->text(), label->geometry()};
    return texts;
}

// The Alt letter of a menu's or an item's caption ("&Datei" gives "d"), none for a caption without one.
QChar AltLetter(const QString& caption)
{
    for (qsizetype i = caption.indexOf(QLatin1Char('&')); i >= 0 && i + 1 < caption.size();
         i = caption.indexOf(QLatin1Char('&'), i + 2))
        if (caption[i + 1] != QLatin1Char('&'))
            return caption[i + 1].toLower();
    return {};
}

// The menu bar's captions, then each menu's, in order.
QList<QStringList> MenuCaptions(const Tform_main& main)
{
    QList<QStringList> menus{{}};
    for (const QAction* title : main.menuBar()->actions()) {
        menus.first() << title->text();
        QStringList items;
        if (const QMenu* menu = title->menu())
            for (const QAction* item : menu->actions())
                if (!item->isSeparator())
                    items << item->text();
        menus << items;
    }
    return menus;
}

} // namespace

class TestTranslatedWindows : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    NoPicker picker_;

    std::unique_ptr<TForm_options> makeOptions()
    {
        return std::make_unique<TForm_options>(dir_.filePath(QStringLiteral("bimbalo.ini")),
                                               dir_.filePath(QStringLiteral("datasets")), picker_);
    }

private slots:
    void initTestCase() { AddDesignFonts(); }

    // The first language asked for that has a file wins, tried with its country and then
    // without; English (or the C locale) before any of them keeps the program English.
    void translationFileFollowsTheLanguages_data()
    {
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<QString>("file");
        QTest::newRow("country") << QStringList{"de-DE"} << "bimbalo_de.qm";
        QTest::newRow("own country file") << QStringList{"de-CH"} << "bimbalo_de_CH.qm";
        QTest::newRow("locale name") << QStringList{"de_AT.UTF-8@euro"} << "bimbalo_de.qm";
        QTest::newRow("next language") << QStringList{"pt-BR", "ru-RU"} << "bimbalo_ru.qm";
        QTest::newRow("English first") << QStringList{"en-GB", "de-DE"} << QString();
        QTest::newRow("C locale") << QStringList{"C"} << QString();
        QTest::newRow("none spoken") << QStringList{"ja-JP", "pt"} << QString();
        QTest::newRow("none") << QStringList{} << QString();
    }

    void translationFileFollowsTheLanguages()
    {
        QFETCH(QStringList, languages);
        QFETCH(QString, file);
        QTemporaryDir folder;
        for (const char* name : {"bimbalo_de.qm", "bimbalo_de_CH.qm", "bimbalo_ru.qm", "qtbase_pt.qm"})
            QFile(folder.filePath(QLatin1String(name))).open(QIODevice::WriteOnly);
        QCOMPARE(TranslationFile(languages, folder.path(), QStringLiteral("bimbalo")),
                 file.isEmpty() ? QString() : folder.filePath(file));
    }

    void fitsAsEnglishDoes_data()
    {
        QTest::addColumn<QString>("language");
        for (const char* language : {"de", "fr", "es", "ru"})
            QTest::newRow(language) << QString::fromLatin1(language);
    }

    void fitsAsEnglishDoes()
    {
        QFETCH(QString, language);
        const QMap<QString, Shown> english = Captions(*makeOptions());
        const QMap<QString, SplashText> englishSplash = SplashTexts(TForm_instructions());

        const QString file = TranslationFile({language}, QStringLiteral(BIMBALO_TRANSLATIONS_DIR),
                                             QStringLiteral("bimbalo"));
        QVERIFY2(!file.isEmpty(), qPrintable(language));
        QTranslator translator;
        QVERIFY(translator.load(file));
        QCOMPARE(translator.language(), language);
        QCoreApplication::installTranslator(&translator);
        const auto removeTranslator = qScopeGuard([&] { QCoreApplication::removeTranslator(&translator); });

        const std::unique_ptr<TForm_options> form = makeOptions();
        const QMap<QString, Shown> translated = Captions(*form);
        QCOMPARE(translated.keys(), english.keys());
        int changed = 0;
        for (auto it = english.cbegin(); it != english.cend(); ++it) {
            const Shown& shown = translated[it.key()];
            changed += shown.text != it->text;
            if (it->fits)
                QVERIFY2(shown.fits, qPrintable(QStringLiteral("%1: \"%2\" does not fit where \"%3\" does")
                                                    .arg(it.key(), shown.text, it->text)));
        }
        // A few texts may read the same in a language ("Options", "OK"); most do not.
        QVERIFY2(changed > english.size() * 3 / 4, qPrintable(QString::number(changed)));
        QVERIFY(form->windowTitle() != QStringLiteral("Options") || language == QStringLiteral("fr"));

        // The main window's menus: every caption that has an Alt letter in English has one, and
        // no two captions of a menu share theirs.
        NullSoundOutput output;
        NullHelpViewer help;
        const QList<QStringList> englishMenus = [&] {
            QCoreApplication::removeTranslator(&translator);
            const Tform_main main(help, std::make_unique<TMediaPlayer>(output));
            QCoreApplication::installTranslator(&translator);
            return MenuCaptions(main);
        }();
        const Tform_main main(help, std::make_unique<TMediaPlayer>(output));
        const QList<QStringList> menus = MenuCaptions(main);
        QCOMPARE(menus.size(), englishMenus.size());
        QVERIFY(menus.size() > 3);
        for (qsizetype m = 0; m < menus.size(); ++m) {
            const QStringList& menu = menus[m];
            QCOMPARE(menu.size(), englishMenus[m].size());
            QSet<QChar> letters;
            for (qsizetype i = 0; i < menu.size(); ++i) {
                QVERIFY2(menu[i] != englishMenus[m][i] || language == QStringLiteral("fr"), qPrintable(menu[i]));
                const QChar letter = AltLetter(menu[i]);
                QVERIFY2(AltLetter(englishMenus[m][i]).isNull() || !letter.isNull(), qPrintable(menu[i]));
                QVERIFY2(letter.isNull() || !letters.contains(letter), qPrintable(menu.join(QStringLiteral(", "))));
                letters << letter;
            }
        }

        // The splash: every text translated but the program's name, each inside the splash, and
        // no two texts of a row running into each other.
        const TForm_instructions splash;
        const QMap<QString, SplashText> texts = SplashTexts(splash);
        QCOMPARE(texts.keys(), englishSplash.keys());
        for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
            const QString& was = englishSplash[it.key()].text;
            QVERIFY2((it->text == was) == (was == QStringLiteral("Bimbalo")), qPrintable(it->text));
            QVERIFY2(splash.rect().contains(it->place), qPrintable(QStringLiteral("%1 at %2,%3 %4x%5")
                                                                   .arg(it->text)
                                                                   .arg(it->place.x())
                                                                   .arg(it->place.y())
                                                                   .arg(it->place.width())
                                                                   .arg(it->place.height())));
            for (auto other = texts.cbegin(); other != texts.cend(); ++other)
                if (other != it)
                    QVERIFY2(!other->place.intersects(it->place), qPrintable(it->text + " / " + other->text));
        }
    }
};

QTEST_MAIN(TestTranslatedWindows)
#include "test_translated_windows.moc"
