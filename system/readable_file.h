#pragma once

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

// A file opened for reading that is known to be a regular file of bounded size.
//
// Opening a named pipe waits until someone opens its other end, and some
// devices wait for their hardware, so opening whatever lies at a path can hang
// the caller for good. Checking the path first does not help: the file can be
// swapped between the check and the open. So the file is opened without
// waiting, and what was really opened is checked through the descriptor.
class ReadableFile {
public:
    enum class Fault {
        None,
        Missing,    // nothing at the path
        Folder,     // a folder, not a file
        NotRegular, // a pipe, a device, a socket
        TooLarge,   // more than the caller's limit
        System,     // any other failure; see error()
    };

    static constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();

    // Opens path for reading. Fails, with nothing left open, unless it is a
    // regular file of at most maxBytes.
    static ReadableFile Open(const char* path, std::uint64_t maxBytes = kNoLimit);
    static ReadableFile Open(const std::string& path, std::uint64_t maxBytes = kNoLimit)
    {
        return Open(path.c_str(), maxBytes);
    }

    ReadableFile() = default;
    ~ReadableFile();
    ReadableFile(ReadableFile&& other) noexcept;
    ReadableFile& operator=(ReadableFile&& other) noexcept;
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;

    explicit operator bool() const { return fd_ >= 0; }
    Fault fault() const { return fault_; }
    // The errno value that goes with the fault (ENOENT, EISDIR, EFBIG, ...).
    int error() const { return error_; }
    // Why it failed, in the system's words ("No such file or directory").
    std::string reason() const;

    int fd() const { return fd_; }
    // The size when it was opened; the file may still grow or shrink.
    std::uint64_t size() const { return size_; }

    // Hands the descriptor over to the caller.
    int release();
    // Hands the file over as a stdio stream; null, with the descriptor closed
    // and the fault set, when that fails.
    std::FILE* releaseAsStream();
    // Reads from the current position to the end, keeping to the limit given
    // to Open even when the file has grown since. On failure the fault is set
    // (TooLarge or System), the file is closed and the result is empty.
    std::string readAll();

private:
    void fail(Fault fault, int error);

    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::uint64_t limit_ = kNoLimit;
    Fault fault_ = Fault::None;
    int error_ = 0;
};
