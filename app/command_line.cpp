#include "app/command_line.h"

#include "app/version_info.h"
#include "settings/byte_text.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

// The one description of the command line, for parsing and for --help alike.
struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help;
    QCommandLineOption version;
    QCommandLineOption show{QStringLiteral("show"),
                            QCoreApplication::translate("CommandLine",
                                                        "Start the show at once with the current settings, without "
                                                        "the main window; the program ends when the show does.")};
    QCommandLineOption checkLock{
        QStringLiteral("check-lock"),
        QCoreApplication::translate("CommandLine",
                                    "Test the keyboard lock on this desktop: take what a locked show takes for at "
                                    "most two seconds, give it back and print one line for each. Exit status 0 when "
                                    "the keyboard was held, 1 when not. No settings are read or written.")};

    Parser()
        : help(parser.addHelpOption())
        , version(parser.addVersionOption())
    {
        parser.setApplicationDescription(
            QCoreApplication::translate("CommandLine",
                                        "Bimbalo: a picture-and-sound slide show for small children.\n"
                                        "Pictures and sounds of the same name make a slide; any key steps the "
                                        "show, Q U I T typed in this order ends it."));
        parser.addOption(show);
        parser.addOption(checkLock);
        parser.addPositionalArgument(
            QCoreApplication::translate("CommandLine", "FOLDER"),
            QCoreApplication::translate("CommandLine", "The folder of pictures and sounds for this run; the folder "
                                                       "in the settings stays as it is."),
            QCoreApplication::translate("CommandLine", "[FOLDER]"));
    }
};

CommandLine failed(const QString& error)
{
    CommandLine result;
    result.action = CommandLine::Action::Error;
    result.error = error;
    return result;
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    Parser p;
    if (!p.parser.parse(arguments))
        return failed(p.parser.errorText());

    CommandLine result;
    // addHelpOption() brings --help-all along.
    result.qtOptions = p.parser.isSet(QStringLiteral("help-all"));
    if (p.parser.isSet(p.help) || result.qtOptions) {
        result.action = CommandLine::Action::ShowHelp;
        return result;
    }
    if (p.parser.isSet(p.version)) {
        result.action = CommandLine::Action::ShowVersion;
        return result;
    }
    const QStringList folders = p.parser.positionalArguments();
    if (folders.size() > 1)
        return failed(QCoreApplication::translate("CommandLine", "Only one FOLDER can be given."));
    if (!folders.isEmpty() && folders.first().isEmpty())
        return failed(QCoreApplication::translate("CommandLine", "FOLDER is empty."));
    result.folder = folders.value(0);
    result.show = p.parser.isSet(p.show);
    result.checkLock = p.parser.isSet(p.checkLock);
    // The self-test runs on the defaults and reads no settings, so there is
    // nothing for FOLDER or --show to change.
    if (result.checkLock && (result.show || !result.folder.isEmpty()))
        return failed(QCoreApplication::translate("CommandLine", "--check-lock takes neither --show nor FOLDER."));
    return result;
}

QString CommandLineHelp()
{
    Parser p;
    QString text = p.parser.helpText();
    // Qt names the program by the path it was started with.
    const QString started = QCoreApplication::arguments().value(0);
    // The first line is "Usage: <program> ...", in the desktop's language.
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
    const qsizetype at = started.isEmpty() ? -1 : text.left(lineEnd).indexOf(started);
    if (at >= 0)
        text.replace(at, started.size(), QFileInfo(started).fileName());
    return text;
}

void ShowHelpWithQtOptions()
{
    Parser p;
    p.parser.process(QStringList{QCoreApplication::arguments().value(0), QStringLiteral("--help-all")});
    std::exit(0); // not reached: process() has printed the help and ended the program
}

QString VersionText(const QString& executable)
{
    QString version;
    if (!VerQueryValue(GetFileVersionInfo(executable), QStringLiteral("\\StringFileInfo\\040904e4\\FileVersion"),
                       version))
        return QStringLiteral("Bimbalo");
    return QStringLiteral("Bimbalo ") + version;
}

QString FolderProblem(const QString& folder)
{
    const QByteArray bytes = TextToBytes(folder);
    std::error_code error;
    const auto status = std::filesystem::status(bytes.toStdString(), error);
    if (!std::filesystem::exists(status))
        return QCoreApplication::translate("CommandLine", "The folder \"%1\" does not exist.").arg(folder);
    if (!std::filesystem::is_directory(status))
        return QCoreApplication::translate("CommandLine", "\"%1\" is not a folder.").arg(folder);
    if (::access(bytes.constData(), R_OK | X_OK) != 0)
        return QCoreApplication::translate("CommandLine", "The folder \"%1\" cannot be read.").arg(folder);
    return {};
}

QString FullFolderPath(const QString& folder)
{
    const std::filesystem::path full =
        std::filesystem::absolute(TextToBytes(folder).toStdString()).lexically_normal();
    QString result = BytesToText(full.native());
    // lexically_normal keeps a trailing separator for "a/b/" and "a/.."; a folder setting has none.
    while (result.size() > 1 && result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}
