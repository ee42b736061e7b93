#pragma once

#include <string>
#include <vector>

// Loading the keyboard-lock library and resolving its entry points.
namespace platform {

// nullptr is the empty module handle.
using ModuleHandle = void*;

class HookLibraryLoader {
public:
    virtual ~HookLibraryLoader() = default;
    // Returns the empty handle when the library cannot be loaded.
    virtual ModuleHandle Load() = 0;
    // Returns nullptr when the library has no such export.
    virtual void* Resolve(ModuleHandle module, const char* name) = 0;
    virtual void Unload(ModuleHandle module) = 0;
    // Why the last Load failed, in words for the user.
    virtual std::string LastError() const { return "not found"; }
};

// Loads a library by its bare name ("bimbalohook" gives libbimbalohook.so):
// from the first of `folders` that holds it, otherwise through the system's
// library search.
class DlHookLibraryLoader final : public HookLibraryLoader {
public:
    DlHookLibraryLoader(std::string bareName, std::vector<std::string> folders);
    DlHookLibraryLoader(std::string bareName, std::string folder);
    ModuleHandle Load() override;
    void* Resolve(ModuleHandle module, const char* name) override;
    void Unload(ModuleHandle module) override;
    std::string LastError() const override { return lastError_; }

private:
    std::string lastError_;
    std::string bareName_;
    std::vector<std::string> folders_;
};

} // namespace platform
