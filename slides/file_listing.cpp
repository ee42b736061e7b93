#include "slides/file_listing.h"

#include "system/ascii_case.h"
#include "slides/file_masks.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <set>
#include <utility>

namespace {

#ifdef PATH_MAX
constexpr std::size_t kPathLimit = PATH_MAX;
#else
constexpr std::size_t kPathLimit = 4096;
#endif

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
    Lister(std::string_view mask, bool include_subfolders, Sink sink, const ListingWatch* watch)
        : mask_(mask), all_(MaskMatchesEverything(mask)), subfolders_(include_subfolders), sink_(sink),
          watch_(watch)
    {
    }

    void List(const std::string& lower_folder, const std::string& disk_folder)
    {
        if (Cancelled())
            return;
        DIR* dir = opendir(disk_folder.c_str());
        if (!dir)
            return;
        std::string names;
        std::vector<Entry> entries;
        ReadEntries(dir, names, entries);
        if (watch_ && watch_->progress) {
            ++folders_;
            for (const Entry& entry : entries)
                files_ += entry.kind == EntryKind::File;
            watch_->progress(folders_, files_);
        }

        for (const Entry& entry : entries) {
            if (Cancelled())
                return;
            const std::string_view name(names.data() + entry.offset, entry.length);
            std::string lower;
            lower.reserve(lower_folder.size() + name.size() + 1);
            lower.append(lower_folder);
            for (char c : name)
                lower.push_back(AsciiLowerByte(c));
            std::string disk;
            disk.reserve(disk_folder.size() + name.size() + 1);
            disk.append(disk_folder).append(name);
            if (entry.kind == EntryKind::Folder) {
                lower.push_back('/');
                disk.push_back('/');
                if (disk.size() >= kPathLimit) {
                    if (watch_ && watch_->too_deep)
                        CountTooDeep(disk_folder, std::string(name));
                } else {
                    List(lower, disk);
                }
            } else {
                sink_(std::move(lower), std::move(disk));
            }
        }
    }

private:
    bool Cancelled() const { return watch_ && watch_->cancelled(); }

    // Reads a folder's entries in full and closes it, so that only one folder
    // is open at a time however deep the tree is. Empty for a folder already
    // listed (through a symbolic link).
    void ReadEntries(DIR* dir, std::string& names, std::vector<Entry>& entries)
    {
        const int fd = dirfd(dir);
        struct stat st {};
        if (fstat(fd, &st) == 0 && !visited_.insert({st.st_dev, st.st_ino}).second) {
            closedir(dir);
            return;
        }
        while (const dirent* e = readdir(dir)) {
            if (Cancelled())
                break;
            const char* name = e->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            const std::string_view view(name);
            if (!all_ && !MaskMatches(mask_, view))
                continue;
            EntryKind kind = EntryKind::File;
#ifdef _DIRENT_HAVE_D_TYPE
            const bool look = e->d_type == DT_LNK || e->d_type == DT_UNKNOWN;
            if (e->d_type == DT_DIR)
                kind = EntryKind::Folder;
#else
            const bool look = true;
#endif
            if (look) {
                // A link whose target is missing (or that leads round in a
                // circle) names nothing that could be opened: it is left out
                // like a file that is not there.
                struct stat target {};
                if (fstatat(fd, name, &target, 0) != 0)
                    continue;
                if (S_ISDIR(target.st_mode))
                    kind = EntryKind::Folder;
            }
            if (kind == EntryKind::Folder && !subfolders_)
                continue;
            entries.push_back({names.size(), view.size(), kind});
            names.append(view);
        }
        closedir(dir);
    }

    // Hands every file below parent/name to the watch's too_deep. No path to
    // them can be opened, so the walk goes down and back up through
    // descriptors, with one folder open at a time; links to folders are not
    // followed down here, so that ".." leads back the way the walk came.
    void CountTooDeep(const std::string& parent, const std::string& name)
    {
        int fd = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return;
        struct Level {
            std::string names;
            std::vector<Entry> folders;
            std::size_t next = 0;
        };
        std::vector<Level> levels(1);
        levels[0].folders.push_back({0, name.size(), EntryKind::Folder});
        levels[0].names = name;
        while (!levels.empty() && !Cancelled()) {
            Level& level = levels.back();
            if (level.next == level.folders.size()) {
                levels.pop_back();
                if (levels.empty())
                    break;
                const int up = openat(fd, "..", O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
                close(fd);
                fd = up;
                if (fd < 0)
                    return;
                continue;
            }
            const Entry& folder = level.folders[level.next++];
            const std::string child(level.names, folder.offset, folder.length);
            const int down = openat(fd, child.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (down < 0)
                continue;
            const int listing = dup(down);
            DIR* dir = listing < 0 ? nullptr : fdopendir(listing);
            if (!dir) {
                if (listing >= 0)
                    close(listing);
                close(down);
                continue;
            }
            Level below;
            std::vector<Entry> entries;
            ReadEntries(dir, below.names, entries);
            for (const Entry& entry : entries) {
                if (entry.kind == EntryKind::Folder)
                    below.folders.push_back(entry);
                else
                    watch_->too_deep(std::string_view(below.names.data() + entry.offset, entry.length));
            }
            close(fd);
            fd = down;
            levels.push_back(std::move(below));
        }
        close(fd);
    }

    std::string_view mask_;
    bool all_;
    bool subfolders_;
    Sink sink_;
    const ListingWatch* watch_;
    int folders_ = 0;
    int files_ = 0;
    std::set<std::pair<dev_t, ino_t>> visited_;
};

template <class Sink>
void ListTree(const std::string& folder, const std::string& mask, bool include_subfolders, Sink sink,
              const ListingWatch* watch = nullptr)
{
    std::string lower = AsciiLower(folder);
    if (lower.empty())
        return;
    std::string disk = folder;
    if (lower.back() != '/') {
        lower.push_back('/');
        disk.push_back('/');
    }
    Lister<Sink> lister(mask, include_subfolders, sink, watch);
    lister.List(lower, disk);
}

} // namespace

void FindFiles(std::vector<ListedFile>& target, const std::string& folder,
               const std::string& mask, bool include_subfolders, const ListingWatch& watch)
{
    ListTree(
        folder, mask, include_subfolders,
        [&target](std::string&& lower, std::string&& disk) { target.push_back({std::move(lower), std::move(disk)}); },
        &watch);
}

void FindFiles(std::vector<std::string>& target, const std::string& folder,
               const std::string& mask, bool include_subfolders)
{
    ListTree(folder, mask, include_subfolders,
             [&target](std::string&& lower, std::string&&) { target.push_back(std::move(lower)); });
}
