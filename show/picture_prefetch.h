#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A picture made ready for the show surface: decoded, its top-left pixel
// noted, for a fitted slide already stretched into its rectangle, and opaque.
struct PreparedPicture {
    QRgb corner = 0;   // opaque: a transparent corner over the background setting
    QSize natural;     // the picture's own size
    bool fitted = false;
    QRect target;      // fitted: where `image` goes; natural: where `image` goes, clipped
    QImage image;      // RGB32
};

// What a prepared picture depends on besides the file.
struct PrepareRequest {
    std::string path;  // on-disk path
    bool stretch = true;
    QSize surface;
    // What shows through a picture's transparent pixels: the background setting, or with
    // autoBackground the picture's own top-left pixel (itself over the setting).
    QRgb background = 0xFFFFFFFF;
    bool autoBackground = false;
    bool operator==(const PrepareRequest&) const = default;
};

// Prepares the slides next to the current one on a worker thread, so that a
// step usually finds its picture ready. A cached picture is used only while
// its file's size and modification time are unchanged, and only a few are held.
class PicturePrefetcher {
public:
    using Loader = std::function<QImage(const std::string& path)>;
    using Preparer = std::function<PreparedPicture(const PrepareRequest& request)>;

    // Decodes whole pictures with the loader and prepares them with Prepare.
    explicit PicturePrefetcher(Loader loader, std::size_t capacity = 3);
    // Prepares pictures straight from their files.
    explicit PicturePrefetcher(Preparer preparer, std::size_t capacity = 3);
    ~PicturePrefetcher();
    PicturePrefetcher(const PicturePrefetcher&) = delete;
    PicturePrefetcher& operator=(const PicturePrefetcher&) = delete;

    // The prepared picture for the request: from the cache when it is still
    // valid, from the worker when it is preparing it right now, otherwise
    // prepared here. Throws what the loader throws.
    std::shared_ptr<const PreparedPicture> Take(const PrepareRequest& request);

    // Replaces the worker's queue with these requests (nearest first).
    void Prefetch(std::vector<PrepareRequest> requests);

    // Drops every cached picture.
    void Clear();

    // For tests and benchmarks: how many Take calls were served without preparing.
    std::uint64_t hits() const;
    // Blocks until the worker's queue is empty and it is idle.
    void WaitIdle();

    // Makes a prepared picture from a decoded one; pure, used by both threads.
    static PreparedPicture Prepare(const QImage& decoded, bool stretch, QSize surface);
    // The same from the file, decoding only what is drawn: the fitted picture, or the part of
    // a picture at natural size that lies on the surface, turned the way it is shown and with
    // its transparency composited onto the request's background. Throws EPictureError.
    static PreparedPicture PrepareFile(const PrepareRequest& request);

private:
    struct FileStamp {
        std::int64_t size = -1;
        std::int64_t mtime_ns = 0;
        bool operator==(const FileStamp&) const = default;
    };
    struct Entry {
        PrepareRequest request;
        FileStamp stamp;
        std::shared_ptr<const PreparedPicture> picture;
    };

    static bool Stamp(const std::string& path, FileStamp& stamp);
    void Store(const PrepareRequest& request, const FileStamp& stamp, std::shared_ptr<const PreparedPicture> picture);
    std::shared_ptr<const PreparedPicture> Lookup(const PrepareRequest& request, const FileStamp& stamp);
    void Run();

    Preparer prepare_;
    std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Entry> cache_; // most recent last
    std::deque<PrepareRequest> queue_;
    bool busy_ = false;
    PrepareRequest current_;
    bool stop_ = false;
    std::uint64_t hits_ = 0;
    std::thread worker_;
};
