// Bimbalo: a picture-and-sound slide show for small children.

#include "app/check_lock.h"
#include "app/command_line.h"
#include "app/f_main.h"
#include "app/glyphs.h"
#include "app/program_facts.h"
#include "app/show_at_start.h"
#include "app/translations.h"
#include "errors/error_report.h"
#include "media/media_player.h"
#include "ui/design_fonts.h"
#include "platform/desktop.h"
#include "ui/folder_picker.h"
#include "ui/help_viewer.h"
#include "platform/key_position_source.h"
#include "platform/keyboard_hook.h"
#include "platform/keyboard_hook_library.h"
#include "system/memory_reuse.h"
#include "platform/pointer_confine.h"
#include "system/program_files.h"
#include "ui/qt_dialog_state.h"
#include "platform/screen_saver.h"
#include "media/sound_output_sdl.h"
#include "platform/desktop_escape.h"
#include "settings/byte_text.h"
#include "settings/f_options.h"
#include "settings/ini_file.h"
#include "settings/options.h"
#include "show/f_instructions.h"
#include "show/f_run.h"
#include "show/keyboard_lock.h"
#include "show/screen_covers.h"

#include <QTextStream>

namespace {

// Beside the program first, then where an install puts the library.
std::vector<std::string> LockLibraryFolders(const platform::ProgramFiles& files)
{
    std::vector<std::string> folders;
    for (const std::filesystem::path& folder : files.LibraryFolders())
        folders.push_back(folder.native());
    return folders;
}

// What the desktop gives a show: the keyboard through the lock library, the
// pointer, a screen kept awake, covers over the other screens. On a Wayland
// desktop the compositor is asked for each of them.
ShowServices DesktopShowServices(const platform::Desktop& desktop, platform::KeyPositionSource* keyPositions,
                                 std::vector<std::string> libraryFolders, const std::filesystem::path& escapeFile)
{
    ShowServices services;
    services.keyboardLock = [&desktop, libraryFolders](TForm_run& window) {
        return std::make_unique<TKeyboardLock>(
            std::make_unique<platform::DlHookLibraryLoader>("bimbalohook", libraryFolders),
            platform::CreateKeyboardHook([&window](const QKeyEvent& event) { return window.VirtualKey(event); },
                                         desktop),
            [&window] { return static_cast<uintptr_t>(window.winId()); });
    };
    services.pointer = platform::CreatePointerConfine(desktop);
    services.screenSaver = platform::CreateScreenSaverHold(desktop);
    services.desktopEscape =
        platform::CreateDesktopEscapeHold(desktop.kind() == platform::Desktop::Kind::Wayland, escapeFile);
    services.keyPositions = keyPositions;
    services.covers = std::make_unique<TScreenCovers>();
    return services;
}

QString PathText(const std::filesystem::path& path)
{
    return BytesToText(path.native());
}

// The arguments as the system gives them: a FOLDER whose name is not UTF-8
// must still be found.
QStringList ArgumentsOf(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << BytesToText(argv[i]);
    return arguments;
}

QString TranslationsFolder()
{
    return PathText(platform::ProgramFiles(TextToBytes(ExecutablePath()).toStdString()).TranslationsFolder());
}

// --help and --version; returns false for anything else.
bool Answer(const CommandLine& command)
{
    if (command.action == CommandLine::Action::ShowHelp) {
        if (command.qtOptions)
            ShowHelpWithQtOptions();
        QTextStream(stdout) << CommandLineHelp();
        return true;
    }
    if (command.action == CommandLine::Action::ShowVersion) {
        QTextStream(stdout) << VersionText(ExecutablePath()) << '\n';
        return true;
    }
    return false;
}

int UsageError(const QString& message)
{
    QTextStream(stderr) << "bimbalo: " << message << '\n'
                        << QCoreApplication::translate("CommandLine", "Try \"bimbalo --help\" for more information.")
                        << '\n';
    return kExitUsageError;
}

} // namespace

int main(int argc, char** argv)
{
    KeepFreedMemoryForReuse();
    // --help and --version are answered without a display. Anything else is
    // read again once the GUI application has taken Qt's own options
    // (-platform, -style, ...) off the command line; --help-all waits for it
    // too, as only the GUI application knows those options.
    if (const CommandLine early = ParseCommandLine(ArgumentsOf(argc, argv));
        (early.action == CommandLine::Action::ShowHelp && !early.qtOptions)
        || early.action == CommandLine::Action::ShowVersion) {
        QCoreApplication core(argc, argv);
        InstallTranslations(core, TranslationsFolder());
        Answer(early);
        return 0;
    }
    // In a Wayland session the program is a Wayland client, so that the
    // compositor's own shortcuts can be held off during a show; X11 (through
    // XWayland) where Qt's Wayland platform is missing.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "wayland;xcb");
    TApplication app(argc, argv);
    InstallTranslations(app, TranslationsFolder());
    const CommandLine command = ParseCommandLine(ArgumentsOf(argc, argv));
    if (command.action == CommandLine::Action::Error)
        return UsageError(command.error);
    if (Answer(command))
        return 0;
    // A folder that is not there is most likely mistyped: better said at once
    // than shown as an empty list.
    if (!command.folder.isEmpty()) {
        if (const QString problem = FolderProblem(command.folder); !problem.isEmpty())
            return UsageError(problem);
    }

    // The application title: taskbar entry, error box caption, main window caption.
    QApplication::setApplicationName(QStringLiteral("Bimbalo"));
    // The Wayland application id, by which the desktop finds the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(BIMBALO_APP_ID));
    QApplication::setWindowIcon(Glyphs::application());
    AddDesignFonts();
    platform::KeepDialogStateUnwritten();

    // X11, Wayland or neither: every desktop service of a show comes from this.
    const platform::Desktop desktop = platform::ConnectDesktop();
    // One sound output for every player; the device opens with the first sound.
    SdlSoundOutput sound;
    const platform::ProgramFiles files(TextToBytes(ExecutablePath()).toStdString());
    const QString settingsFile = IniFileName();
    const std::filesystem::path settingsFolder =
        std::filesystem::path(TextToBytes(settingsFile).toStdString()).parent_path();
    // A show that never ended properly left the desktop's escape turned off.
    const std::filesystem::path escapeFile = settingsFolder / "desktop-escape.saved";
    platform::RestoreDesktopEscape(escapeFile);

    // The lock self-test: nothing of the settings is read or written, and
    // keys go by their Qt keys.
    if (command.checkLock) {
        const Options defaults;
        TForm_run check(defaults, std::make_unique<TMediaPlayer>(sound),
                        DesktopShowServices(desktop, nullptr, LockLibraryFolders(files), escapeFile));
        return RunLockCheck(check);
    }

    // The user's configuration folder may not be there yet; a first run writes at once.
    platform::MakePrivateFolders(settingsFolder);

    const std::unique_ptr<HelpViewer> help = CreateQtHelpViewer();
    const std::unique_ptr<FolderPicker> picker = CreateQtFolderPicker();
    // The keymap of the compositor or the X server; elsewhere keys go by their Qt keys alone.
    const std::unique_ptr<platform::KeyPositionSource> keyPositions =
        platform::CreateKeyPositionSource(desktop);

    // The four long-lived windows, in this order: the options dialog reads the
    // settings file when it is created, and the show window finds them there.
    Tform_main form_main(*help, std::make_unique<TMediaPlayer>(sound));
    form_main.setHelpFile(PathText(files.HelpFile()));
    TForm_options form_options(settingsFile, PathText(files.SampleFolder()), *picker, &form_main);
    form_main.setOptions(&form_options.options());
    TForm_run form_run(form_options.options(), std::make_unique<TMediaPlayer>(sound),
                       DesktopShowServices(desktop, keyPositions.get(), LockLibraryFolders(files), escapeFile));
    TForm_instructions form_instructions;
    form_run.setInstructions(&form_instructions);
    form_main.setForms(&form_options, &form_run);
    if (!command.folder.isEmpty())
        form_options.setFolderForThisRun(FullFolderPath(command.folder));

    if (command.show)
        return RunShowAtStart(form_run, form_options.options(), form_main.slide_list);

    form_main.RefreshSlides();

    form_main.show();
    return app.exec();
}
