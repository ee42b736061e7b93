#include "slides/file_masks.h"

#include "system/ascii_case.h"

#include <string>

bool MaskMatchesEverything(std::string_view mask)
{
    return mask == "*" || mask == "*.*";
}

bool MaskMatches(std::string_view mask, std::string_view name)
{
    if (MaskMatchesEverything(mask))
        return true;
    // Greedy wildcard match with backtracking to the last '*'.
    std::size_t m = 0, n = 0;
    std::size_t star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || AsciiLowerByte(mask[m]) == AsciiLowerByte(name[n]))) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == '*') {
            star = m++;
            resume = n;
        } else if (star != std::string_view::npos) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}
