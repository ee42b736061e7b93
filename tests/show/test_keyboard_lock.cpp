// The keyboard lock's states: loading the library once, installing and
// removing the hook, and dropping a library that cannot serve.

#include "platform/desktop.h"
#include "platform/keyboard_hook_library.h"
#include "platform/x11_keyboard_hook.h"
#include "show/keyboard_lock.h"
#include "show/virtual_keys.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <QGuiApplication>
#include <QTemporaryDir>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

using platform::HookLibraryLoader;
using platform::KeyboardHook;
using platform::KeyboardHookHandle;
using platform::KeyboardHookProc;
using platform::ModuleHandle;

constexpr uintptr_t kWindow = 0x2a00007;

std::vector<std::pair<uintptr_t, uintptr_t>> g_setHandlesCalls;

extern "C" intptr_t FakeHookProc(int, uintptr_t, intptr_t) { return 0; }
extern "C" void FakeSetHandles(uintptr_t appWindow, uintptr_t hook)
{
    g_setHandlesCalls.emplace_back(appWindow, hook);
}

struct LoaderState {
    bool loadable = true;
    bool hasProc = true;
    bool hasSetHandles = true;
    int loads = 0;
    int unloads = 0;
    int loaded = 0; // currently loaded
};

class FakeLoader final : public HookLibraryLoader {
public:
    explicit FakeLoader(LoaderState& state) : s_(state) {}
    ModuleHandle Load() override
    {
        ++s_.loads;
        if (!s_.loadable)
            return nullptr;
        ++s_.loaded;
        return &s_;
    }
    void* Resolve(ModuleHandle module, const char* name) override
    {
        EXPECT_EQ(module, &s_);
        if (std::string(name) == "globalkeyboardhook_ll" && s_.hasProc)
            return reinterpret_cast<void*>(&FakeHookProc);
        if (std::string(name) == "sethandles" && s_.hasSetHandles)
            return reinterpret_cast<void*>(&FakeSetHandles);
        return nullptr;
    }
    void Unload(ModuleHandle module) override
    {
        EXPECT_EQ(module, &s_);
        ++s_.unloads;
        --s_.loaded;
    }

private:
    LoaderState& s_;
};

struct HookState {
    bool installable = true;
    bool removable = true;
    int installs = 0;
    int uninstalls = 0;
    KeyboardHookProc procedure = nullptr;
    KeyboardHookHandle installed = 0;
};

class FakeHook final : public KeyboardHook {
public:
    explicit FakeHook(HookState& state) : s_(state) {}
    KeyboardHookHandle Install(KeyboardHookProc procedure) override
    {
        ++s_.installs;
        s_.procedure = procedure;
        if (!s_.installable)
            return 0;
        EXPECT_EQ(s_.installed, 0u) << "installed twice";
        s_.installed = 100 + s_.installs;
        return s_.installed;
    }
    bool Uninstall(KeyboardHookHandle handle) override
    {
        ++s_.uninstalls;
        EXPECT_EQ(handle, s_.installed);
        if (!s_.removable)
            return false;
        s_.installed = 0;
        return true;
    }

private:
    HookState& s_;
};

// Counts the loads of a real loader.
class CountingLoader final : public HookLibraryLoader {
public:
    CountingLoader(std::unique_ptr<HookLibraryLoader> inner, LoaderState& state)
        : inner_(std::move(inner)), s_(state)
    {
    }
    ModuleHandle Load() override
    {
        ++s_.loads;
        return inner_->Load();
    }
    void* Resolve(ModuleHandle module, const char* name) override { return inner_->Resolve(module, name); }
    void Unload(ModuleHandle module) override
    {
        ++s_.unloads;
        inner_->Unload(module);
    }

private:
    std::unique_ptr<HookLibraryLoader> inner_;
    LoaderState& s_;
};

class KeyboardLock : public testing::Test {
protected:
    void SetUp() override { g_setHandlesCalls.clear(); }

    std::unique_ptr<TKeyboardLock> MakeLock()
    {
        return std::make_unique<TKeyboardLock>(std::make_unique<FakeLoader>(library),
                                               std::make_unique<FakeHook>(hook), [] { return kWindow; });
    }

    LoaderState library;
    HookState hook;
};

TEST_F(KeyboardLock, FirstLockLoadsInstallsAndHandsOverTheHandles)
{
    auto lock = MakeLock();
    EXPECT_FALSE(lock->IsLoaded());
    lock->LockKeyboard();
    EXPECT_TRUE(lock->IsLocked());
    EXPECT_EQ(library.loads, 1);
    EXPECT_EQ(hook.installs, 1);
    EXPECT_EQ(hook.procedure, &FakeHookProc);
    ASSERT_EQ(g_setHandlesCalls.size(), 1u);
    EXPECT_EQ(g_setHandlesCalls[0], std::make_pair(kWindow, hook.installed));
}

TEST_F(KeyboardLock, TwoShowsLoadOnceAndInstallAndRemoveTwice)
{
    auto lock = MakeLock();
    for (int show = 0; show < 2; ++show) {
        lock->LockKeyboard();
        EXPECT_TRUE(lock->IsLocked());
        lock->UnlockKeyboard();
        EXPECT_FALSE(lock->IsLocked());
        EXPECT_TRUE(lock->IsLoaded());
    }
    EXPECT_EQ(library.loads, 1);
    EXPECT_EQ(library.unloads, 0);
    EXPECT_EQ(hook.installs, 2);
    EXPECT_EQ(hook.uninstalls, 2);
    EXPECT_EQ(g_setHandlesCalls.size(), 2u);
}

TEST_F(KeyboardLock, LockingTwiceAndUnlockingTwiceActOnce)
{
    auto lock = MakeLock();
    lock->UnlockKeyboard();
    EXPECT_EQ(hook.uninstalls, 0);
    lock->LockKeyboard();
    lock->LockKeyboard();
    EXPECT_EQ(hook.installs, 1);
    EXPECT_EQ(g_setHandlesCalls.size(), 1u);
    lock->UnlockKeyboard();
    lock->UnlockKeyboard();
    EXPECT_EQ(hook.uninstalls, 1);
}

TEST_F(KeyboardLock, MissingLibraryLeavesTheShowUnlockedAndIsTriedAgain)
{
    library.loadable = false;
    auto lock = MakeLock();
    lock->LockKeyboard();
    EXPECT_FALSE(lock->IsLocked());
    EXPECT_FALSE(lock->IsLoaded());
    lock->UnlockKeyboard();
    EXPECT_EQ(hook.installs + hook.uninstalls, 0);
    EXPECT_TRUE(g_setHandlesCalls.empty());

    library.loadable = true; // installed in the meantime
    lock->LockKeyboard();
    EXPECT_EQ(library.loads, 2);
    EXPECT_TRUE(lock->IsLocked());
}

struct MissingExport {
    const char* name;
    bool hasProc;
    bool hasSetHandles;
};

std::ostream& operator<<(std::ostream& os, const MissingExport& m) { return os << m.name; }

class KeyboardLockMissingExport : public KeyboardLock, public testing::WithParamInterface<MissingExport> {};

TEST_P(KeyboardLockMissingExport, UnloadsAndStartsAfreshNextTime)
{
    library.hasProc = GetParam().hasProc;
    library.hasSetHandles = GetParam().hasSetHandles;
    auto lock = MakeLock();
    lock->LockKeyboard();
    EXPECT_FALSE(lock->IsLocked());
    EXPECT_FALSE(lock->IsLoaded());
    EXPECT_EQ(library.unloads, 1);
    EXPECT_EQ(library.loaded, 0);
    EXPECT_EQ(hook.installs, 0);
    EXPECT_TRUE(g_setHandlesCalls.empty());

    lock->LockKeyboard();
    EXPECT_EQ(library.loads, 2);
    EXPECT_EQ(library.unloads, 2);

    library.hasProc = library.hasSetHandles = true;
    lock->LockKeyboard();
    EXPECT_EQ(library.loads, 3);
    EXPECT_TRUE(lock->IsLocked());
}

INSTANTIATE_TEST_SUITE_P(Exports, KeyboardLockMissingExport,
                         testing::Values(MissingExport{"NoSetHandles", true, false},
                                         MissingExport{"NoHookProcedure", false, true},
                                         MissingExport{"Neither", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyboardLock, RefusedInstallStillHandsTheEmptyHandleOver)
{
    hook.installable = false;
    auto lock = MakeLock();
    lock->LockKeyboard();
    EXPECT_FALSE(lock->IsLocked());
    EXPECT_TRUE(lock->IsLoaded());
    ASSERT_EQ(g_setHandlesCalls.size(), 1u);
    EXPECT_EQ(g_setHandlesCalls[0], std::make_pair(kWindow, uintptr_t{0}));
    lock->UnlockKeyboard();
    EXPECT_EQ(hook.uninstalls, 0);

    hook.installable = true;
    lock->LockKeyboard();
    EXPECT_TRUE(lock->IsLocked());
    EXPECT_EQ(library.loads, 1);
    EXPECT_EQ(hook.installs, 2);
}

TEST_F(KeyboardLock, RefusedRemovalKeepsTheLockOn)
{
    auto lock = MakeLock();
    lock->LockKeyboard();
    hook.removable = false;
    lock->UnlockKeyboard();
    EXPECT_TRUE(lock->IsLocked());
    lock->LockKeyboard(); // taken for on: nothing installed
    EXPECT_EQ(hook.installs, 1);
    hook.removable = true;
    lock->UnlockKeyboard();
    EXPECT_FALSE(lock->IsLocked());
}

TEST_F(KeyboardLock, DestroyingTheLockKeepsTheLibraryLoaded)
{
    auto lock = MakeLock();
    lock->LockKeyboard();
    lock->UnlockKeyboard();
    lock.reset();
    EXPECT_EQ(library.unloads, 0);
    EXPECT_EQ(library.loaded, 1);
}

// --- with real libraries -----------------------------------------------------

const std::string kLibraryFolder = BIMBALOHOOK_DIR;
const std::string kTestLibraryFolder = NOSETHANDLES_DIR;

bool IsLoadedInProcess(const std::string& path)
{
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (module)
        dlclose(module);
    return module != nullptr;
}

class KeyboardLockRealLibrary : public KeyboardLock {
protected:
    std::unique_ptr<TKeyboardLock> MakeRealLock(const std::string& bareName, const std::string& folder)
    {
        auto loader = std::make_unique<CountingLoader>(
            std::make_unique<platform::DlHookLibraryLoader>(bareName, folder), library);
        return std::make_unique<TKeyboardLock>(std::move(loader), std::make_unique<FakeHook>(hook),
                                               [] { return kWindow; });
    }
};

TEST_F(KeyboardLockRealLibrary, AbsentLibraryIsTriedAgainNextShow)
{
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    auto lock = MakeRealLock("bimbalohook_absent", empty.path().toStdString());
    lock->LockKeyboard();
    EXPECT_FALSE(lock->IsLoaded());
    EXPECT_FALSE(lock->IsLocked());
    lock->UnlockKeyboard();
    lock->LockKeyboard();
    EXPECT_EQ(library.loads, 2);
    EXPECT_EQ(hook.installs, 0);
}

TEST_F(KeyboardLockRealLibrary, LibraryWithoutSetHandlesIsUnloadedAndLoadedAgain)
{
    const std::string path = kTestLibraryFolder + "/libbimbalohook_nosethandles.so";
    auto lock = MakeRealLock("bimbalohook_nosethandles", kTestLibraryFolder);
    lock->LockKeyboard();
    EXPECT_FALSE(lock->IsLoaded());
    EXPECT_FALSE(lock->IsLocked());
    EXPECT_FALSE(IsLoadedInProcess(path));
    lock->LockKeyboard();
    EXPECT_EQ(library.loads, 2);
    EXPECT_EQ(library.unloads, 2);
    EXPECT_EQ(hook.installs, 0);
}

TEST_F(KeyboardLockRealLibrary, RealLibraryIsLoadedOnceAndStays)
{
    const std::string path = kLibraryFolder + "/libbimbalohook.so";
    auto lock = MakeRealLock("bimbalohook", kLibraryFolder);
    lock->LockKeyboard();
    ASSERT_TRUE(lock->IsLocked());

    // The procedure handed to the hook is the library's own.
    BimbaloKeyRecord f1{112, 0, 0, 0, 0}, q{'Q', 0, 0, 0, 0};
    ASSERT_NE(hook.procedure, nullptr);
    EXPECT_NE(hook.procedure(BIMBALOHOOK_HC_ACTION, BIMBALOHOOK_WM_KEYDOWN, reinterpret_cast<intptr_t>(&f1)), 0);
    EXPECT_EQ(hook.procedure(BIMBALOHOOK_HC_ACTION, BIMBALOHOOK_WM_KEYDOWN, reinterpret_cast<intptr_t>(&q)), 0);

    lock->UnlockKeyboard();
    lock->LockKeyboard();
    lock->UnlockKeyboard();
    lock.reset();
    EXPECT_EQ(library.loads, 1);
    EXPECT_EQ(library.unloads, 0);
    EXPECT_EQ(hook.installs, 2);
    EXPECT_TRUE(IsLoadedInProcess(path));
}

// The test runs with the folder of the library that lacks "sethandles" on
// the system's search path; a complete copy in the first folder wins.
TEST_F(KeyboardLockRealLibrary, FirstFolderComesBeforeTheSystemSearch)
{
    QTemporaryDir first;
    ASSERT_TRUE(first.isValid());

    auto fromSystem = MakeRealLock("bimbalohook_nosethandles", first.path().toStdString());
    fromSystem->LockKeyboard();
    EXPECT_EQ(library.loads, 1);
    EXPECT_FALSE(fromSystem->IsLoaded()) << "found through the search path, and dropped";

    std::filesystem::copy_file(kLibraryFolder + "/libbimbalohook.so",
                               first.path().toStdString() + "/libbimbalohook_nosethandles.so");
    auto beside = MakeRealLock("bimbalohook_nosethandles", first.path().toStdString());
    beside->LockKeyboard();
    EXPECT_TRUE(beside->IsLocked());
}

// Without X11 (no application yet, or the offscreen platform the tests run
// on) no hook can be installed, and a lock leaves the show unlocked.
TEST_F(KeyboardLockRealLibrary, NoX11MeansNoHook)
{
    platform::X11KeyboardHook beforeApplication(&VirtualKeyOfQtEvent, nullptr);
    EXPECT_EQ(beforeApplication.Install(&FakeHookProc), 0u);

    int argc = 1;
    char name[] = "keyboard_lock";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    ASSERT_EQ(QGuiApplication::platformName(), "offscreen");
    platform::X11KeyboardHook x11(&VirtualKeyOfQtEvent, nullptr);
    EXPECT_EQ(x11.Install(&FakeHookProc), 0u);
    EXPECT_FALSE(x11.Uninstall(0));

    auto loader = std::make_unique<CountingLoader>(
        std::make_unique<platform::DlHookLibraryLoader>("bimbalohook", kLibraryFolder), library);
    const platform::Desktop desktop = platform::ConnectDesktop();
    EXPECT_EQ(desktop.kind(), platform::Desktop::Kind::None);
    TKeyboardLock lock(std::move(loader), platform::CreateKeyboardHook(&VirtualKeyOfQtEvent, desktop),
                       [] { return kWindow; });
    lock.LockKeyboard();
    EXPECT_TRUE(lock.IsLoaded());
    EXPECT_FALSE(lock.IsLocked());
    lock.UnlockKeyboard();
    lock.LockKeyboard();
    EXPECT_EQ(library.loads, 1);
}

} // namespace
