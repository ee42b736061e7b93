#pragma once

#include <cstddef>
#include <utility>
#include <vector>

// The shuffle of the random slide order, drawn from the program's generator.

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
