#pragma once

#include "deep_tree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

// A temporary folder that removes itself, with helpers to fill it.
// Its name holds capitals, so lower-cased paths differ from the disk's.
class TempTree {
public:
    TempTree()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "Bimbalo-Slides-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
    }
    ~TempTree()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
        // remove_all goes by paths, which fail below the path length limit.
        if (std::filesystem::exists(root_, ignored))
            deeptree::RemoveTree(root_);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }

    // A relative path ending in "/" makes a folder; anything else a file
    // holding its own name, so that opening it can be checked.
    void add(const std::string& relative) const
    {
        const std::filesystem::path full = path(relative);
        if (!relative.empty() && relative.back() == '/') {
            std::filesystem::create_directories(full);
            return;
        }
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full, std::ios::binary) << relative;
    }

private:
    std::string root_;
};
