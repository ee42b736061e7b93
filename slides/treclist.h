#pragma once

#include "trec.h"

#include <memory>
#include <vector>

struct Options;

// The ordered, owning list of slides.
class treclist {
public:
    std::vector<std::unique_ptr<trec>> items;

    // Empties the list and rebuilds it from the data folder named in the options.
    void ScanFolder(const Options& options);

    int count() const { return static_cast<int>(items.size()); }
    const trec& at(int index) const { return *items[static_cast<std::size_t>(index)]; }
};
