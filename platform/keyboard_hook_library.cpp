#include "platform/keyboard_hook_library.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#include <utility>

namespace platform {

DlHookLibraryLoader::DlHookLibraryLoader(std::string bareName, std::vector<std::string> folders)
    : bareName_(std::move(bareName)), folders_(std::move(folders))
{
}

DlHookLibraryLoader::DlHookLibraryLoader(std::string bareName, std::string folder)
    : DlHookLibraryLoader(std::move(bareName), std::vector<std::string>{std::move(folder)})
{
}

ModuleHandle DlHookLibraryLoader::Load()
{
    lastError_.clear();
    const std::string fileName = "lib" + bareName_ + ".so";
    for (const std::string& folder : folders_) {
        if (folder.empty())
            continue;
        const std::string candidate = (std::filesystem::path(folder) / fileName).string();
        if (void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            lastError_.clear();
            return module;
        }
        // A damaged copy in one of our folders says more than the search that follows.
        std::error_code ignored;
        if (lastError_.empty() && std::filesystem::exists(candidate, ignored)) {
            const char* error = dlerror();
            lastError_ = error ? error : candidate;
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

} // namespace platform
