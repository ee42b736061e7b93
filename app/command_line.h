#pragma once

#include <QString>
#include <QStringList>

// What the program was asked to do on its command line.
struct CommandLine {
    enum class Action {
        Start,       // the windows: the main window, the show (--show) or the lock self-test (--check-lock)
        ShowHelp,    // --help
        ShowVersion, // --version
        Error,       // a command line that cannot be followed; `error` says why
    };
    Action action = Action::Start;
    QString folder;         // FOLDER as given; empty when none was
    bool show = false;      // --show
    bool checkLock = false; // --check-lock
    bool qtOptions = false; // --help-all: the help with Qt's own options
    QString error;
};

// Exit codes besides 0.
constexpr int kExitFailure = 1;     // the show could not run, the lock self-test did not hold the keyboard
constexpr int kExitUsageError = 2;  // a bad option or FOLDER

// Parses the arguments, the program's name first. It prints nothing and
// never ends the program; the caller acts on the result.
CommandLine ParseCommandLine(const QStringList& arguments);

// The text of --help. Needs the application object (Qt takes the program's
// name from it).
QString CommandLineHelp();
// Prints the help with Qt's own options, as only Qt can, and ends the program.
[[noreturn]] void ShowHelpWithQtOptions();

// The line of --version, "Bimbalo <version>", from the version block of
// the program file.
QString VersionText(const QString& executable);

// Why FOLDER cannot be shown, or an empty text when it can.
QString FolderProblem(const QString& folder);

// FOLDER as a full path without "." or ".." parts, as the settings hold folders.
QString FullFolderPath(const QString& folder);
