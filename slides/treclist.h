#pragma once

#include "settings/options.h"
#include "slides/file_listing.h"
#include "slides/trec.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Lists the data folder for a rebuild into target: FindFiles with the mask
// "*.*" unless something else (a slower stand-in in a test) takes its place.
using FolderLister = std::function<void(std::vector<ListedFile>& target, const std::string& folder,
                                        bool include_subfolders, const ListingWatch& watch)>;

// How a rebuild on a thread of its own is followed and stopped; every member
// is optional.
struct ScanHooks {
    // The rebuild stops soon after this turns true.
    const std::atomic<bool>* cancel = nullptr;
    // Folders read and files found so far, on the scanning thread.
    std::function<void(int folders, int files)> progress;
    FolderLister lister;
};

// The ordered, owning list of slides.
class treclist {
public:
    std::vector<std::unique_ptr<trec>> items;
    // Pictures and sounds the last rebuild found but had to leave out: they
    // lie so deep below the folder that their paths are too long to open.
    int too_deep = 0;
    // Pictures and sounds of the kinds that only the more-kinds setting
    // takes, which the last rebuild left out with that setting off.
    int more_kinds_left_out = 0;

    // Empties the list and rebuilds it from the data folder named in the options.
    void ScanFolder(const Options& options);
    // The same, followed and stoppable through hooks. False when it was
    // stopped: the list is then empty.
    bool ScanFolder(const Options& options, const ScanHooks& hooks);

    int count() const { return static_cast<int>(items.size()); }
    const trec& at(int index) const { return *items[static_cast<std::size_t>(index)]; }
};
