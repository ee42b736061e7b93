#include "u_utils.h"
#include "u_random.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <set>
#include <system_error>

void AsciiLowerInPlace(std::string& text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
}

std::string AsciiLower(std::string_view text)
{
    std::string lowered(text);
    AsciiLowerInPlace(lowered);
    return lowered;
}

namespace {

char LowerByte(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool MatchesEverything(std::string_view mask)
{
    return mask == "*" || mask == "*.*";
}

enum class EntryKind : unsigned char { File, Folder };

struct Entry {
    std::size_t offset;
    std::size_t length;
    EntryKind kind;
};

// Lists one folder tree. The lower-cased and the on-disk spelling of each
// folder travel together; both end with a separator.
template <class Sink>
class Lister {
public:
    Lister(std::string_view mask, bool include_subfolders, Sink sink)
        : mask_(mask), all_(MatchesEverything(mask)), subfolders_(include_subfolders), sink_(sink)
    {
    }

    void List(const std::string& lower_folder, const std::string& disk_folder)
    {
        DIR* dir = opendir(disk_folder.c_str());
        if (!dir)
            return;
        const int fd = dirfd(dir);
        struct stat st {};
        if (fstat(fd, &st) == 0 && !visited_.insert({st.st_dev, st.st_ino}).second) {
            closedir(dir);
            return;
        }

        // The entries are read in full before any subfolder is entered, so
        // that only one folder is open at a time however deep the tree is.
        std::string names;
        std::vector<Entry> entries;
        while (const dirent* e = readdir(dir)) {
            const char* name = e->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            const std::string_view view(name);
            if (!all_ && !MaskMatches(mask_, view))
                continue;
            EntryKind kind = EntryKind::File;
#ifdef _DIRENT_HAVE_D_TYPE
            if (e->d_type == DT_DIR) {
                kind = EntryKind::Folder;
            } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
                struct stat target {};
                if (fstatat(fd, name, &target, 0) == 0 && S_ISDIR(target.st_mode))
                    kind = EntryKind::Folder;
            }
#else
            struct stat target {};
            if (fstatat(fd, name, &target, 0) == 0 && S_ISDIR(target.st_mode))
                kind = EntryKind::Folder;
#endif
            if (kind == EntryKind::Folder && !subfolders_)
                continue;
            entries.push_back({names.size(), view.size(), kind});
            names.append(view);
        }
        closedir(dir);

        for (const Entry& entry : entries) {
            const std::string_view name(names.data() + entry.offset, entry.length);
            std::string lower;
            lower.reserve(lower_folder.size() + name.size() + 1);
            lower.append(lower_folder);
            for (char c : name)
                lower.push_back(LowerByte(c));
            std::string disk;
            disk.reserve(disk_folder.size() + name.size() + 1);
            disk.append(disk_folder).append(name);
            if (entry.kind == EntryKind::Folder) {
                lower.push_back('/');
                disk.push_back('/');
                List(lower, disk);
            } else {
                sink_(std::move(lower), std::move(disk));
            }
        }
    }

private:
    std::string_view mask_;
    bool all_;
    bool subfolders_;
    Sink sink_;
    std::set<std::pair<dev_t, ino_t>> visited_;
};

template <class Sink>
void ListTree(const std::string& folder, const std::string& mask, bool include_subfolders, Sink sink)
{
    std::string lower = AsciiLower(folder);
    if (lower.empty())
        return;
    std::string disk = folder;
    if (lower.back() != '/') {
        lower.push_back('/');
        disk.push_back('/');
    }
    Lister<Sink> lister(mask, include_subfolders, sink);
    lister.List(lower, disk);
}

} // namespace

bool MaskMatches(std::string_view mask, std::string_view name)
{
    if (MatchesEverything(mask))
        return true;
    // Greedy wildcard match with backtracking to the last '*'.
    std::size_t m = 0, n = 0;
    std::size_t star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || LowerByte(mask[m]) == LowerByte(name[n]))) {
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

void FindFiles(std::vector<ListedFile>& target, const std::string& folder,
               const std::string& mask, bool include_subfolders)
{
    ListTree(folder, mask, include_subfolders, [&target](std::string&& lower, std::string&& disk) {
        target.push_back({std::move(lower), std::move(disk)});
    });
}

void FindFiles(std::vector<std::string>& target, const std::string& folder,
               const std::string& mask, bool include_subfolders)
{
    ListTree(folder, mask, include_subfolders,
             [&target](std::string&& lower, std::string&&) { target.push_back(std::move(lower)); });
}

SplitName SplitFileName(const std::string& path)
{
    SplitName split;
    if (path.empty())
        return split;
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(path, error);
    if (error)
        full = path;
    const std::string text = full.lexically_normal().string();

    const std::size_t slash = text.rfind('/');
    const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = text.rfind('.');
    if (dot == std::string::npos || dot < name_start)
        dot = text.size();
    split.folder = text.substr(0, name_start);
    split.base = text.substr(name_start, dot - name_start);
    split.extension = text.substr(dot);
    return split;
}

std::pair<std::string_view, std::string_view> SplitBaseAndExtension(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < name_start)
        dot = path.size();
    return {path.substr(name_start, dot - name_start), path.substr(dot)};
}

std::vector<std::size_t> ShuffleOrder(std::size_t count)
{
    std::vector<std::size_t> order(count);
    if (count < 2) {
        for (std::size_t i = 0; i < count; ++i)
            order[i] = i;
        return order;
    }
    std::vector<std::size_t> target(count, 0);
    for (std::size_t i = 1; i < count; ++i)
        target[i] = static_cast<std::size_t>(RandomBelow(static_cast<int>(i + 1)));

    // Moving item i to position target[i] one after the other costs quadratic
    // time on a large list. Walking backwards gives the same result: the last
    // item moved keeps its place, and each earlier one ends in the
    // target[i]-th place that the later ones left free. A Fenwick tree over
    // the free places finds that place in logarithmic time.
    std::vector<std::size_t> tree(count + 1);
    for (std::size_t p = 1; p <= count; ++p)
        tree[p] = p & (~p + 1);
    std::size_t top = 1;
    while (top * 2 <= count)
        top *= 2;
    for (std::size_t i = count; i-- > 0;) {
        std::size_t pos = 0;
        std::size_t remaining = target[i] + 1;
        for (std::size_t step = top; step > 0; step /= 2) {
            if (pos + step <= count && tree[pos + step] < remaining) {
                pos += step;
                remaining -= tree[pos];
            }
        }
        order[pos] = i;
        for (std::size_t p = pos + 1; p <= count; p += p & (~p + 1))
            --tree[p];
    }
    return order;
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}
