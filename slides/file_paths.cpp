#include "slides/file_paths.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

SplitName SplitFileName(const std::string& path)
{
    SplitName split;
    if (path.empty())
        return split;
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(path, error);
    if (error)
        full = path;
    const std::string text = full.lexically_normal().string();

    const std::size_t slash = text.rfind('/');
    const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = text.rfind('.');
    if (dot == std::string::npos || dot < name_start)
        dot = text.size();
    split.folder = text.substr(0, name_start);
    split.base = text.substr(name_start, dot - name_start);
    split.extension = text.substr(dot);
    return split;
}

std::pair<std::string_view, std::string_view> SplitBaseAndExtension(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < name_start)
        dot = path.size();
    return {path.substr(name_start, dot - name_start), path.substr(dot)};
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}
