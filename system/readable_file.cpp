#include "system/readable_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

ReadableFile ReadableFile::Open(const char* path, std::uint64_t maxBytes)
{
    ReadableFile file;
    file.limit_ = maxBytes;
    // O_NONBLOCK makes the open of a pipe return at once instead of waiting
    // for a writer; O_NOCTTY keeps a terminal from becoming ours.
    int fd;
    do
        fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno;
        // ENXIO: a socket, or a device without its hardware.
        file.fail(error == ENOENT ? Fault::Missing : error == ENXIO ? Fault::NotRegular : Fault::System, error);
        return file;
    }
    file.fd_ = fd;

    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        file.fail(Fault::System, errno);
        return file;
    }
    if (S_ISDIR(st.st_mode)) {
        file.fail(Fault::Folder, EISDIR);
        return file;
    }
    if (!S_ISREG(st.st_mode)) {
        file.fail(Fault::NotRegular, 0);
        return file;
    }
    file.size_ = static_cast<std::uint64_t>(st.st_size);
    if (file.size_ > maxBytes) {
        file.fail(Fault::TooLarge, EFBIG);
        return file;
    }
    // Reads of a regular file never wait on O_NONBLOCK anyway; clearing it
    // spares the readers an EAGAIN they do not expect on odd file systems.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return file;
}

ReadableFile::~ReadableFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

ReadableFile::ReadableFile(ReadableFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1))
    , size_(other.size_)
    , limit_(other.limit_)
    , fault_(other.fault_)
    , error_(other.error_)
{
}

ReadableFile& ReadableFile::operator=(ReadableFile&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
        limit_ = other.limit_;
        fault_ = other.fault_;
        error_ = other.error_;
    }
    return *this;
}

void ReadableFile::fail(Fault fault, int error)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    fault_ = fault;
    error_ = error;
}

std::string ReadableFile::reason() const
{
    switch (fault_) {
    case Fault::None:
        return {};
    case Fault::NotRegular:
        return "Not a regular file";
    default:
        return std::strerror(error_);
    }
}

int ReadableFile::release()
{
    return std::exchange(fd_, -1);
}

std::FILE* ReadableFile::releaseAsStream()
{
    std::FILE* stream = ::fdopen(fd_, "rb");
    if (!stream) {
        fail(Fault::System, errno);
        return nullptr;
    }
    fd_ = -1;
    return stream;
}

std::string ReadableFile::readAll()
{
    std::string bytes;
    if (fd_ < 0)
        return bytes;
    // The size is only a hint: one byte more lets the first read find the end.
    std::size_t capacity = static_cast<std::size_t>(std::min<std::uint64_t>(size_, limit_)) + 1;
    capacity = std::max<std::size_t>(capacity, 4096);
    std::size_t used = 0;
    try {
        bytes.resize(capacity);
        for (;;) {
            if (used == bytes.size()) {
                if (used > limit_) {
                    fail(Fault::TooLarge, EFBIG);
                    return {};
                }
                bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(limit_, bytes.size() * 2) + 1));
            }
            const ssize_t n = ::read(fd_, bytes.data() + used, bytes.size() - used);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                fail(Fault::System, errno);
                return {};
            }
            if (n == 0)
                break;
            used += static_cast<std::size_t>(n);
        }
    } catch (const std::bad_alloc&) {
        fail(Fault::System, ENOMEM);
        return {};
    }
    if (used > limit_) {
        fail(Fault::TooLarge, EFBIG);
        return {};
    }
    bytes.resize(used);
    return bytes;
}
