#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// File listing and list helpers of the slide collection.

// The bytes A to Z become a to z; every other byte, non-ASCII ones included,
// is left as it is.
void AsciiLowerInPlace(std::string& text);
std::string AsciiLower(std::string_view text);

// One file found by FindFiles: the path as the program shows and pairs it
// (folder and name ASCII-lower-cased) and the path as it is spelled on disk,
// which is the one to open where file names are case-sensitive.
struct ListedFile {
    std::string path;
    std::string disk_path;
};

// Appends every file below folder whose name matches mask ('*' and '?',
// ASCII case ignored; "*" and "*.*" match everything) to target, depth-first,
// in the directory enumeration's own order: a subfolder's files stand where
// its entry was met. An empty folder lists nothing. Folders that cannot be
// read contribute nothing; a folder reached twice (through a symbolic link)
// is listed once, so links cannot loop. A symbolic link whose target is
// missing is not listed, as if the file were not there.
void FindFiles(std::vector<ListedFile>& target, const std::string& folder,
               const std::string& mask, bool include_subfolders);
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
// The same, followed through watch.
void FindFiles(std::vector<ListedFile>& target, const std::string& folder,
               const std::string& mask, bool include_subfolders, const ListingWatch& watch);
// The same, keeping only the lower-cased paths.
void FindFiles(std::vector<std::string>& target, const std::string& folder,
               const std::string& mask, bool include_subfolders);

// True when name matches mask as FindFiles applies it.
bool MaskMatches(std::string_view mask, std::string_view name);

// Whether a file (anything but a folder) exists at the path; false for an empty path.
bool FileExists(const std::string& path);

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

// Draws count - 1 numbers and gives the order they make: element p of the
// result is the original index of the item that ends at position p.
// For i = 1 .. count - 1, item i is moved to position RandomBelow(i + 1),
// the items between moving up one place.
std::vector<std::size_t> ShuffleOrder(std::size_t count);

// Permutes list in place in the order ShuffleOrder draws.
template <class T>
void ShuffleList(std::vector<T>& list)
{
    if (list.size() < 2)
        return;
    const std::vector<std::size_t> order = ShuffleOrder(list.size());
    std::vector<T> shuffled;
    shuffled.reserve(list.size());
    for (std::size_t from : order)
        shuffled.push_back(std::move(list[from]));
    list = std::move(shuffled);
}
