#pragma once

// Where the program's own files are, found from the program's own path, so
// that the same program runs from the build tree, from a copied folder and
// from an install under any prefix.
//
// Each file is looked for beside the program first (bin/bimbalo.qch,
// bin/libbimbalohook.so, ../datasets), then where an install puts it relative
// to the program's folder (prefix/bin → prefix/lib/bimbalo, prefix/share/bimbalo).

#include <filesystem>
#include <string>
#include <vector>

namespace platform {

// The installed folders relative to the installed program's folder.
extern const std::filesystem::path kInstalledLibraryFolder; // ../lib/bimbalo
extern const std::filesystem::path kInstalledDataFolder;    // ../share/bimbalo

class ProgramFiles {
public:
    // executable: the program's full path.
    explicit ProgramFiles(std::filesystem::path executable);

    std::filesystem::path folder() const { return executable_.parent_path(); }

    // The help file: the program's path with ".qch" for its extension, else
    // <base>.qch in the installed data folder; the one beside the program
    // when neither is there.
    std::filesystem::path HelpFile() const;
    // The sample slides shown by a first run: ../datasets, else datasets in
    // the installed data folder; ../datasets when neither is there. A full,
    // normalised path without a trailing separator.
    std::filesystem::path SampleFolder() const;
    // The program's translations (bimbalo_de.qm, ...): bin/translations beside
    // the program, else translations in the installed data folder; the one
    // beside the program when neither is there.
    std::filesystem::path TranslationsFolder() const;
    // The folders to look for the lock library in, in order.
    std::vector<std::filesystem::path> LibraryFolders() const;
    // True when the program's files are not beside it but where an install
    // puts them.
    bool Installed() const;

    // The settings file. Beside the program (its path with ".ini" for its
    // extension) when that file exists and can be written, or when it does
    // not and the program's folder can be written and the program is not an
    // installed one; otherwise bimbalo/bimbalo.ini in the user's
    // configuration folder: xdgConfigHome when it is an absolute path, else
    // home/.config. A read-only file beside the program in a writable folder
    // stays the settings file, so that settings can be frozen.
    std::filesystem::path SettingsFile(const char* xdgConfigHome, const char* home) const;
    // The same with $XDG_CONFIG_HOME and $HOME.
    std::filesystem::path SettingsFile() const;

private:
    std::filesystem::path besideWithExtension(const char* extension) const;

    std::filesystem::path executable_;
};

// Makes the folder and its missing parents, each new one readable by its
// owner alone (as the user's configuration folders are). Returns false
// when the folder is not there afterwards.
bool MakePrivateFolders(const std::filesystem::path& folder);

} // namespace platform
