#include "slides/slide_order.h"

#include "system/ascii_case.h"

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

int CompareByName(const trec& a, const trec& b)
{
    // char_traits<char> compares as unsigned char.
    const int c = a.name.compare(b.name);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void SortByName(std::vector<std::unique_ptr<trec>>& items)
{
    if (items.empty())
        return;
    // The ranges left of each split wait on an explicit stack rather than in
    // recursion, so that an unlucky input cannot exhaust the call stack.
    // Ranges are disjoint, so the order of working through them does not
    // change the result.
    std::vector<std::pair<std::ptrdiff_t, std::ptrdiff_t>> pending;
    pending.emplace_back(0, static_cast<std::ptrdiff_t>(items.size()) - 1);
    while (!pending.empty()) {
        auto [left, right] = pending.back();
        pending.pop_back();
        std::ptrdiff_t i;
        do {
            i = left;
            std::ptrdiff_t j = right;
            const trec* pivot = items[static_cast<std::size_t>((left + right) / 2)].get();
            do {
                while (CompareByName(*items[static_cast<std::size_t>(i)], *pivot) < 0)
                    ++i;
                while (CompareByName(*items[static_cast<std::size_t>(j)], *pivot) > 0)
                    --j;
                if (i <= j) {
                    std::swap(items[static_cast<std::size_t>(i)], items[static_cast<std::size_t>(j)]);
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (left < j)
                pending.emplace_back(left, j);
            left = i;
        } while (i < right);
    }
}

void PairSlides(std::vector<std::unique_ptr<trec>>& items)
{
    // Keys view the captions of the slides that stay; a slide object does not
    // move when its pointer does. Captions with capitals get a lower-cased
    // copy to view instead.
    std::unordered_map<std::string_view, std::size_t> first;
    first.reserve(items.size());
    std::deque<std::string> lowered;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::unique_ptr<trec>& slide = items[i];
        std::string_view key = slide->name;
        if (HasAsciiUpper(key))
            key = lowered.emplace_back(AsciiLower(key));
        const auto [it, inserted] = first.try_emplace(key, kept);
        if (inserted) {
            if (kept != i)
                items[kept] = std::move(slide);
            ++kept;
            continue;
        }
        trec& merged = *items[it->second];
        if (!slide->sound_filename.empty()) {
            merged.sound_filename = std::move(slide->sound_filename);
            merged.sound_disk_path = std::move(slide->sound_disk_path);
        }
        if (!slide->image_filename.empty()) {
            merged.image_filename = std::move(slide->image_filename);
            merged.image_disk_path = std::move(slide->image_disk_path);
        }
        slide.reset();
    }
    items.resize(kept);
}
