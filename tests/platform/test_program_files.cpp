#include "unprivileged.h"
#include "platform/keyboard_hook_library.h"
#include "system/program_files.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <dlfcn.h>
#include <fstream>
#include <link.h>
#include <sys/stat.h>

namespace fs = std::filesystem;
using platform::ProgramFiles;

namespace {

class ProgramFolder : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    fs::path root() const { return tmp.path().toStdString(); }

    // "$DATA" and "$LIB" in a name stand for the installed folders of a
    // program in usr/bin.
    fs::path at(std::string name) const
    {
        const auto expand = [&](const std::string& token, const fs::path& folder) {
            if (const size_t at = name.find(token); at != std::string::npos)
                name.replace(at, token.size(), (fs::path("usr/bin") / folder).string());
        };
        expand("$DATA", platform::kInstalledDataFolder);
        expand("$LIB", platform::kInstalledLibraryFolder);
        return (root() / name).lexically_normal();
    }
    // Names ending in "/" are folders.
    void make(const std::vector<std::string>& names) const
    {
        for (const std::string& name : names) {
            const fs::path p = at(name);
            if (name.ends_with('/')) {
                fs::create_directories(p);
            } else {
                fs::create_directories(p.parent_path());
                std::ofstream(p) << "x";
            }
        }
    }
};

// ---------------------------------------------------------------- lookup

struct LayoutCase {
    const char* label;
    std::vector<std::string> files;
    const char* executable;
    const char* help;
    const char* samples;
    bool installed;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.label; }

class ProgramFilesLookup : public ProgramFolder, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(ProgramFilesLookup, BesideFirstThenInstalled)
{
    const LayoutCase& c = GetParam();
    make(c.files);
    const ProgramFiles files(at(c.executable));
    EXPECT_EQ(files.HelpFile(), at(c.help));
    EXPECT_EQ(files.SampleFolder(), at(c.samples));
    EXPECT_EQ(files.Installed(), c.installed);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ProgramFilesLookup, ::testing::Values(
    LayoutCase{"build_tree", {"bin/bimbalo", "bin/bimbalo.qch", "datasets/"},
               "bin/bimbalo", "bin/bimbalo.qch", "datasets", false},
    LayoutCase{"installed", {"usr/bin/bimbalo", "$DATA/bimbalo.qch", "$DATA/datasets/"},
               "usr/bin/bimbalo", "$DATA/bimbalo.qch", "$DATA/datasets", true},
    LayoutCase{"beside_wins", {"usr/bin/bimbalo", "usr/bin/bimbalo.qch", "usr/datasets/", "$DATA/bimbalo.qch", "$DATA/datasets/"},
               "usr/bin/bimbalo", "usr/bin/bimbalo.qch", "usr/datasets", false},
    LayoutCase{"help_follows_the_program_name", {"usr/bin/toys", "$DATA/toys.qch", "$DATA/bimbalo.qch"},
               "usr/bin/toys", "$DATA/toys.qch", "usr/datasets", true},
    LayoutCase{"nothing_anywhere", {"bin/bimbalo"}, "bin/bimbalo", "bin/bimbalo.qch", "datasets", false},
    LayoutCase{"folder_not_utf8", {"caf\xe9\xff/usr/bin/bimbalo", "caf\xe9\xff/$DATA/datasets/"},
               "caf\xe9\xff/usr/bin/bimbalo", "caf\xe9\xff/usr/bin/bimbalo.qch", "caf\xe9\xff/$DATA/datasets", true}),
    [](const auto& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------- lock library

std::string LoadedFrom(void* module)
{
    link_map* map = nullptr;
    if (!module || dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map)
        return "<not loaded>";
    return map->l_name;
}

struct LibraryCase {
    const char* label;
    bool damagedBeside;
    bool goodInstalled;
    const char* loadedFrom; // nullptr: nothing loads
};

void PrintTo(const LibraryCase& c, std::ostream* os) { *os << c.label; }

class ProgramFilesLibrary : public ProgramFolder, public ::testing::WithParamInterface<LibraryCase> {};

TEST_P(ProgramFilesLibrary, LoadsTheFirstUsableCopy)
{
    const LibraryCase& c = GetParam();
    make({"usr/bin/bimbalo"});
    if (c.damagedBeside)
        make({"usr/bin/libbimbalohook.so"});
    if (c.goodInstalled) {
        make({"$LIB/"});
        fs::copy_file(fs::path(BIMBALOHOOK_DIR) / "libbimbalohook.so", at("$LIB/libbimbalohook.so"));
    }
    std::vector<std::string> folders;
    for (const fs::path& folder : ProgramFiles(at("usr/bin/bimbalo")).LibraryFolders())
        folders.push_back(folder.string());
    platform::DlHookLibraryLoader loader("bimbalohook", folders);
    void* module = loader.Load();
    if (c.loadedFrom) {
        EXPECT_EQ(LoadedFrom(module), at(c.loadedFrom).string());
        EXPECT_EQ(loader.LastError(), "");
    } else {
        EXPECT_EQ(module, nullptr);
        // The damaged copy is named, not the failed search that followed.
        EXPECT_NE(loader.LastError().find(at("usr/bin/libbimbalohook.so").string()), std::string::npos)
            << loader.LastError();
    }
    loader.Unload(module);
}

INSTANTIATE_TEST_SUITE_P(Copies, ProgramFilesLibrary, ::testing::Values(
    LibraryCase{"installed", false, true, "$LIB/libbimbalohook.so"},
    LibraryCase{"damaged_beside_installed_good", true, true, "$LIB/libbimbalohook.so"},
    LibraryCase{"damaged_beside_only", true, false, nullptr}),
    [](const auto& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------- settings

enum class Where { Beside, Xdg, HomeConfig };

struct SettingsCase {
    const char* label;
    bool installedLayout;
    int fileMode;   // -1: no settings file beside the program
    int folderMode; // of the program's folder
    const char* xdgConfigHome; // "$ROOT" stands for the test's folder
    Where expected;
};

void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.label; }

class ProgramFilesSettings : public ProgramFolder, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(ProgramFilesSettings, BesideWhenItCanBeWrittenThereElseTheUsersConfiguration)
{
    const SettingsCase& c = GetParam();
    make({"usr/bin/bimbalo", "home/"});
    if (c.installedLayout)
        make({"$DATA/bimbalo.qch"});
    if (c.fileMode >= 0) {
        make({"usr/bin/bimbalo.ini"});
        ASSERT_EQ(::chmod(at("usr/bin/bimbalo.ini").c_str(), c.fileMode), 0);
    }
    const fs::path folder = at("usr/bin");
    const std::string xdg = c.xdgConfigHome && std::string(c.xdgConfigHome) == "$ROOT/config" ? (root() / "config").string()
                            : c.xdgConfigHome ? c.xdgConfigHome : "";
    const std::string home = at("home").string();

    const std::string got = testusers::AsUnprivileged(root(), [&] {
        if (::chmod(folder.c_str(), c.folderMode) != 0)
            return std::string("chmod failed");
        return ProgramFiles(folder / "bimbalo").SettingsFile(c.xdgConfigHome ? xdg.c_str() : nullptr, home.c_str()).string();
    });
    ::chmod(folder.c_str(), 0755);

    switch (c.expected) {
    case Where::Beside:
        EXPECT_EQ(got, (folder / "bimbalo.ini").string());
        break;
    case Where::Xdg:
        EXPECT_EQ(got, (root() / "config/bimbalo/bimbalo.ini").string());
        break;
    case Where::HomeConfig:
        EXPECT_EQ(got, home + "/.config/bimbalo/bimbalo.ini");
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Places, ProgramFilesSettings, ::testing::Values(
    SettingsCase{"no_file_folder_writable", false, -1, 0755, "$ROOT/config", Where::Beside},
    SettingsCase{"no_file_folder_read_only", false, -1, 0555, "$ROOT/config", Where::Xdg},
    SettingsCase{"file_writable_folder_read_only", false, 0644, 0555, "$ROOT/config", Where::Beside},
    SettingsCase{"frozen_file_folder_writable", false, 0444, 0755, "$ROOT/config", Where::Beside},
    SettingsCase{"frozen_file_folder_read_only", false, 0444, 0555, "$ROOT/config", Where::Xdg},
    SettingsCase{"installed_folder_writable", true, -1, 0755, "$ROOT/config", Where::Xdg},
    SettingsCase{"installed_with_own_file", true, 0644, 0755, "$ROOT/config", Where::Beside},
    SettingsCase{"no_xdg_variable", false, -1, 0555, nullptr, Where::HomeConfig},
    SettingsCase{"relative_xdg_variable_ignored", false, -1, 0555, "config", Where::HomeConfig}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
