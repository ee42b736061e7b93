#include "slides/file_masks.h"

#include "platform/ascii_case.h"

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

namespace {

struct KnownKind {
    std::string_view extension;
    FileKind kind;
    bool more; // taken only with the more kinds on
};

// Every extension the slide list knows, in lower case.
constexpr KnownKind kKinds[] = {
    {".jpg", FileKind::Picture, false},  {".bmp", FileKind::Picture, false},  {".png", FileKind::Picture, false},
    {".wav", FileKind::Sound, false},    {".mp3", FileKind::Sound, false},
    {".jpeg", FileKind::Picture, true},  {".jpe", FileKind::Picture, true},   {".jfif", FileKind::Picture, true},
    {".gif", FileKind::Picture, true},   {".webp", FileKind::Picture, true},  {".heic", FileKind::Picture, true},
    {".heif", FileKind::Picture, true},  {".avif", FileKind::Picture, true},
    {".ogg", FileKind::Sound, true},     {".oga", FileKind::Sound, true},     {".opus", FileKind::Sound, true},
    {".flac", FileKind::Sound, true},    {".m4a", FileKind::Sound, true},     {".aac", FileKind::Sound, true},
};

const KnownKind* Known(std::string_view extension)
{
    if (extension.size() < 4 || extension.size() > 5)
        return nullptr;
    const std::string lower = AsciiLower(extension);
    for (const KnownKind& k : kKinds)
        if (k.extension == lower)
            return &k;
    return nullptr;
}

} // namespace

FileKind KindOfExtension(std::string_view extension, bool moreKinds)
{
    const KnownKind* known = Known(extension);
    return known && (moreKinds || !known->more) ? known->kind : FileKind::Other;
}

bool IsMoreKindExtension(std::string_view extension)
{
    const KnownKind* known = Known(extension);
    return known && known->more;
}
