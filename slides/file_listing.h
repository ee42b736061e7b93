#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Listing a folder tree.

// One file found by FindFiles: the path as the program shows and pairs it
// (folder and name ASCII-lower-cased) and the path as it is spelled on disk,
// which is the one to open where file names are case-sensitive.
struct ListedFile {
    std::string path;
    std::string disk_path;
};

// What a caller may want to follow of a listing, which may run on a thread of
// its own; every member is optional.
struct ListingWatch {
    // The walk stops soon after this turns true, leaving the target list part-filled.
    const std::atomic<bool>* cancel = nullptr;
    // Called after each folder is read, with the folders read and the files
    // found so far, on the listing's thread.
    std::function<void(int folders, int files)> progress;
    // Files that lie so deep that their paths are longer than the system can
    // open are not left out without a word: each one's name goes here
    // instead of to the target list.
    std::function<void(std::string_view name)> too_deep;

    bool cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }
};

// Appends every file below folder whose name matches mask ('*' and '?',
// ASCII case ignored; "*" and "*.*" match everything) to target, depth-first,
// in the directory enumeration's own order: a subfolder's files stand where
// its entry was met. An empty folder lists nothing. Folders that cannot be
// read contribute nothing; a folder reached twice (through a symbolic link)
// is listed once, so links cannot loop. A symbolic link whose target is
// missing is not listed, as if the file were not there. The walk is followed
// through watch.
void FindFiles(std::vector<ListedFile>& target, const std::string& folder,
               const std::string& mask, bool include_subfolders, const ListingWatch& watch);
// The same, keeping only the lower-cased paths.
void FindFiles(std::vector<std::string>& target, const std::string& folder,
               const std::string& mask, bool include_subfolders);
