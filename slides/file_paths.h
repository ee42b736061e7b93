#pragma once

#include <string>
#include <string_view>
#include <utility>

// File paths: splitting them into folder, base name and extension, and
// whether a file is there.

struct SplitName {
    std::string folder;    // with its trailing separator
    std::string base;      // between folder and extension
    std::string extension; // from the last dot of the file name, dot included
};

// Splits path after making it absolute (relative to the current folder,
// "." and ".." resolved lexically).
SplitName SplitFileName(const std::string& path);

// The base name and extension of a path that needs no resolution, as
// SplitFileName would give them: its last component is a plain file name.
std::pair<std::string_view, std::string_view> SplitBaseAndExtension(std::string_view path);

// Whether a file (anything but a folder) exists at the path; false for an empty path.
bool FileExists(const std::string& path);
