#pragma once

// Folder chains deeper than the system's path length limit: made, filled and
// removed through descriptors, one folder open at a time, since no path to
// their far end can be opened by name.

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace deeptree {

#ifdef PATH_MAX
inline constexpr std::size_t kPathLimit = PATH_MAX;
#else
inline constexpr std::size_t kPathLimit = 4096;
#endif

// A chain of `levels` folders named `step` below `base`; level 0 is base.
class DeepChain {
public:
    DeepChain(std::string base, std::string step, int levels)
        : base_(std::move(base)), step_(std::move(step)), levels_(levels)
    {
        ok_ = ::mkdir(base_.c_str(), 0700) == 0 || errno == EEXIST;
        int fd = ::open(base_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int i = 0; ok_ && i < levels_; ++i) {
            ok_ = ::mkdirat(fd, step_.c_str(), 0700) == 0;
            fd = Down(fd, step_);
            ok_ = ok_ && fd >= 0;
        }
        if (fd >= 0)
            ::close(fd);
        ok_ = ok_ && fd >= 0;
    }

    bool ok() const { return ok_; }
    // The length the path of a file named `name` at `level` would have.
    std::size_t PathLength(int level, const std::string& name) const
    {
        return base_.size() + std::size_t(level) * (step_.size() + 1) + 1 + name.size();
    }
    // Makes a file at `level`; a name ending in "/" makes a folder.
    bool Add(int level, const std::string& name) const
    {
        int fd = ::open(base_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int i = 0; fd >= 0 && i < level; ++i)
            fd = Down(fd, step_);
        if (fd < 0)
            return false;
        bool made;
        if (!name.empty() && name.back() == '/') {
            made = ::mkdirat(fd, name.substr(0, name.size() - 1).c_str(), 0700) == 0;
        } else {
            const int file = ::openat(fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            made = file >= 0 && ::write(file, name.data(), name.size()) == ssize_t(name.size());
            if (file >= 0)
                ::close(file);
        }
        ::close(fd);
        return made;
    }

private:
    // Opens `name` below fd and closes fd.
    static int Down(int fd, const std::string& name)
    {
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(fd);
        return next;
    }

    std::string base_, step_;
    int levels_;
    bool ok_ = false;
};

// Removes a folder and everything below it, however deep; symbolic links are
// removed, not followed.
inline void RemoveTree(const std::string& root)
{
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        ::unlink(root.c_str());
        return;
    }
    std::vector<std::string> path; // the folders entered below root
    for (;;) {
        // Empty the folder of files; stop at its first subfolder.
        std::string sub;
        if (DIR* dir = ::fdopendir(::dup(fd))) {
            while (const dirent* e = ::readdir(dir)) {
                const std::string name = e->d_name;
                if (name == "." || name == "..")
                    continue;
                struct stat st {};
                if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
                    sub = name;
                    break;
                }
                ::unlinkat(fd, name.c_str(), 0);
            }
            ::closedir(dir);
        }
        if (!sub.empty()) {
            const int next = ::openat(fd, sub.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (next < 0) {
                if (::unlinkat(fd, sub.c_str(), AT_REMOVEDIR) == 0) // unreadable, but empty
                    continue;
                break;
            }
            ::close(fd);
            fd = next;
            path.push_back(sub);
            continue;
        }
        if (path.empty())
            break;
        const int up = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        if (up < 0)
            return;
        fd = up;
        ::unlinkat(fd, path.back().c_str(), AT_REMOVEDIR);
        path.pop_back();
    }
    ::close(fd);
    ::rmdir(root.c_str());
}

} // namespace deeptree
