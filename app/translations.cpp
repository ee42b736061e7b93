#include "app/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QStringList DesktopLanguages()
{
    // Qt reads the same variables, in the same order, as gettext does.
    return QLocale::system().uiLanguages();
}

namespace {

// "de-DE" and "de_DE.UTF-8@euro" alike give "de_DE" and then "de".
QStringList Candidates(QString language)
{
    language = language.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    language.replace(QLatin1Char('-'), QLatin1Char('_'));
    QStringList names{language};
    if (const qsizetype cut = language.indexOf(QLatin1Char('_')); cut > 0)
        names << language.left(cut);
    return names;
}

bool IsEnglish(const QString& name)
{
    return name == QLatin1String("en") || name == QLatin1String("C") || name == QLatin1String("POSIX");
}

} // namespace

QString TranslationFile(const QStringList& languages, const QString& folder, const QString& prefix)
{
    const QDir dir(folder);
    for (const QString& language : languages) {
        for (const QString& name : Candidates(language)) {
            if (name.isEmpty())
                continue;
            if (IsEnglish(name))
                return {};
            const QString file = dir.filePath(prefix + QLatin1Char('_') + name + QStringLiteral(".qm"));
            if (QFileInfo(file).isFile())
                return file;
        }
    }
    return {};
}

QString InstallTranslations(QCoreApplication& app, const QString& folder)
{
    const QString file = TranslationFile(DesktopLanguages(), folder, QStringLiteral("bimbalo"));
    if (file.isEmpty())
        return {};
    auto* own = new QTranslator(&app);
    if (!own->load(file)) {
        delete own;
        return {};
    }
    // Qt's own texts in the language of the program's, never in another.
    const QString language = own->language();
    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (const QString qtFile = TranslationFile({language}, qtFolder, QStringLiteral("qtbase")); !qtFile.isEmpty()) {
        auto* qt = new QTranslator(&app);
        if (qt->load(qtFile))
            QCoreApplication::installTranslator(qt);
        else
            delete qt;
    }
    QCoreApplication::installTranslator(own);
    return language;
}
