#pragma once

#include "slides/trec.h"

#include <memory>
#include <vector>

// Pairing a picture with its sound, and the alphabetical order.

// Compares the captions byte by byte as unsigned values, a prefix first:
// -1, 0 or 1.
int CompareByName(const trec& a, const trec& b);

// Sorts by CompareByName with the list's quicksort (middle pivot, not
// stable): slides with equal captions end in the order it gives them.
void SortByName(std::vector<std::unique_ptr<trec>>& items);

// Merges slides whose captions are equal after ASCII lower-casing into the
// first of them; of several pictures, or several sounds, the last one wins.
// The merged slide keeps its place and the others are removed.
void PairSlides(std::vector<std::unique_ptr<trec>>& items);
