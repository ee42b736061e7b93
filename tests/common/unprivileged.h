#pragma once

// Runs checks as a user without privileges. Root passes every permission
// check, so what happens in a folder that we may not write can only be seen
// as someone else: as root, the checks run in a child process as nobody.

#include <filesystem>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace testusers {

constexpr uid_t kNobody = 65534;

// Gives `tree` to nobody when we are root, then runs `check` as nobody in a
// child process (in this one otherwise) and returns what it returned, or a
// text saying why it could not run.
inline std::string AsUnprivileged(const std::filesystem::path& tree, const std::function<std::string()>& check)
{
    if (::geteuid() != 0)
        return check();
    std::error_code error;
    ::lchown(tree.c_str(), kNobody, kNobody);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tree, error))
        ::lchown(entry.path().c_str(), kNobody, kNobody);

    int fds[2];
    if (::pipe(fds) != 0)
        return "<no pipe>";
    const pid_t child = ::fork();
    if (child < 0)
        return "<no fork>";
    if (child == 0) {
        ::close(fds[0]);
        std::string result;
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            result = "<cannot become nobody>";
        else
            result = check();
        const char* p = result.data();
        size_t left = result.size();
        while (left > 0) {
            const ssize_t n = ::write(fds[1], p, left);
            if (n <= 0)
                break;
            p += n;
            left -= static_cast<size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        return "<check crashed>";
    return result;
}

} // namespace testusers
