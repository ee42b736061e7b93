#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// The program in the desktop's language: the first of the desktop's languages
// (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG) that the program speaks, English
// as it stands when that comes first or none is spoken. Qt's own texts (the
// standard buttons and dialogs) follow in the same language where Qt has it.

// The languages the desktop asks for, most wanted first, as Qt names them
// ("de-DE", "fr", "C").
QStringList DesktopLanguages();

// The file of the first language of `languages` for which folder holds
// <prefix>_<language>.qm, tried as given and then without its country
// ("de-AT" then "de"); empty when English or "C" comes before any of them.
QString TranslationFile(const QStringList& languages, const QString& folder, const QString& prefix);

// Loads the program's translation from folder and Qt's own for the same
// language, and installs both on the application. Returns the language
// loaded ("de"), or an empty text for English.
QString InstallTranslations(QCoreApplication& app, const QString& folder);
