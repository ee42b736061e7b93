#include "keyboard_hook_library.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#include <utility>

namespace platform {

DlHookLibraryLoader::DlHookLibraryLoader(std::string bareName, std::string firstFolder)
    : bareName_(std::move(bareName)), firstFolder_(std::move(firstFolder))
{
}

ModuleHandle DlHookLibraryLoader::Load()
{
    lastError_.clear();
    const std::string fileName = "lib" + bareName_ + ".so";
    if (!firstFolder_.empty()) {
        const std::string beside = (std::filesystem::path(firstFolder_) / fileName).string();
        if (void* module = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL))
            return module;
        // A damaged copy beside the program says more than the search that follows.
        std::error_code ignored;
        if (std::filesystem::exists(beside, ignored)) {
            const char* error = dlerror();
            lastError_ = error ? error : beside;
        }
    }
    void* module = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module && lastError_.empty()) {
        const char* error = dlerror();
        lastError_ = error ? error : fileName + ": not found";
    }
    if (module)
        lastError_.clear();
    return module;
}

void* DlHookLibraryLoader::Resolve(ModuleHandle module, const char* name)
{
    return module ? dlsym(module, name) : nullptr;
}

void DlHookLibraryLoader::Unload(ModuleHandle module)
{
    if (module)
        dlclose(module);
}

std::string ExecutableFolder()
{
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.parent_path().string();
}

} // namespace platform
