#include "system/program_files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace platform {

// Set by the build from the install folders it was configured with.
const fs::path kInstalledLibraryFolder = BIMBALO_INSTALLED_LIBRARY_FOLDER;
const fs::path kInstalledDataFolder = BIMBALO_INSTALLED_DATA_FOLDER;

namespace {

bool Exists(const fs::path& p)
{
    std::error_code error;
    return fs::exists(p, error);
}

// The kernel's own answer for us, root included: a read-only file system
// says no even to root.
bool Writable(const fs::path& p)
{
    return ::faccessat(AT_FDCWD, p.c_str(), W_OK, AT_EACCESS) == 0;
}

fs::path Normal(const fs::path& p)
{
    std::error_code error;
    fs::path full = fs::absolute(p, error);
    if (error)
        full = p;
    full = full.lexically_normal();
    // lexically_normal keeps a trailing separator for "a/b/.."
    std::string text = full.native();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

} // namespace

ProgramFiles::ProgramFiles(fs::path executable)
    : executable_(std::move(executable))
{
}

fs::path ProgramFiles::besideWithExtension(const char* extension) const
{
    fs::path p = executable_;
    return p.replace_extension(extension);
}

fs::path ProgramFiles::HelpFile() const
{
    const fs::path beside = besideWithExtension(".qch");
    if (Exists(beside))
        return beside;
    fs::path installed = folder() / kInstalledDataFolder / beside.filename();
    if (Exists(installed))
        return installed.lexically_normal();
    return beside;
}

fs::path ProgramFiles::SampleFolder() const
{
    const fs::path beside = folder() / ".." / "datasets";
    if (Exists(beside))
        return Normal(beside);
    const fs::path installed = folder() / kInstalledDataFolder / "datasets";
    if (Exists(installed))
        return Normal(installed);
    return Normal(beside);
}

fs::path ProgramFiles::TranslationsFolder() const
{
    const fs::path beside = folder() / "translations";
    if (Exists(beside))
        return beside;
    const fs::path installed = folder() / kInstalledDataFolder / "translations";
    if (Exists(installed))
        return installed.lexically_normal();
    return beside;
}

std::vector<fs::path> ProgramFiles::LibraryFolders() const
{
    return {folder(), (folder() / kInstalledLibraryFolder).lexically_normal()};
}

bool ProgramFiles::Installed() const
{
    std::error_code error;
    return !Exists(besideWithExtension(".qch")) && fs::is_directory(folder() / kInstalledDataFolder, error);
}

fs::path ProgramFiles::SettingsFile(const char* xdgConfigHome, const char* home) const
{
    const fs::path beside = besideWithExtension(".ini");
    if (Exists(beside)) {
        if (Writable(beside) || Writable(folder()))
            return beside;
    } else if (Writable(folder()) && !Installed()) {
        return beside;
    }
    // An XDG variable that is relative is to be ignored.
    fs::path config;
    if (xdgConfigHome && *xdgConfigHome == '/')
        config = xdgConfigHome;
    else
        config = fs::path(home && *home ? home : "/") / ".config";
    return config / "bimbalo" / "bimbalo.ini";
}

fs::path ProgramFiles::SettingsFile() const
{
    return SettingsFile(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

bool MakePrivateFolders(const fs::path& folder)
{
    std::error_code error;
    if (fs::is_directory(folder, error))
        return true;
    const fs::path parent = folder.parent_path();
    if (!parent.empty() && parent != folder && !MakePrivateFolders(parent))
        return false;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    return fs::is_directory(folder, error);
}

} // namespace platform
