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

// How much a prefetcher keeps and how many pictures it prepares at once.
struct PrefetchLimits {
    std::size_t pictures = 3;                  // pictures kept at most
    std::size_t bytes = std::size_t(-1);       // their pixels' bytes at most
    int workers = 1;                           // background threads
};

// Prepares the slides ahead of the current one on worker threads, so that a
// step usually finds its picture ready. A cached picture is used only while
// its file's size and modification time are unchanged; the least recently
// used go first once the limits are reached.
class PicturePrefetcher {
public:
    using Loader = std::function<QImage(const std::string& path)>;
    // alone: nothing else is being prepared, so the picture may use every core.
    using Preparer = std::function<PreparedPicture(const PrepareRequest& request, bool alone)>;

    // Decodes whole pictures with the loader and prepares them with Prepare.
    explicit PicturePrefetcher(Loader loader, PrefetchLimits limits = {});
    // Prepares pictures straight from their files.
    explicit PicturePrefetcher(Preparer preparer, PrefetchLimits limits = {});
    ~PicturePrefetcher();
    PicturePrefetcher(const PicturePrefetcher&) = delete;
    PicturePrefetcher& operator=(const PicturePrefetcher&) = delete;

    // The prepared picture for the request: from the cache when it is still
    // valid, from a worker when one is preparing it right now, otherwise
    // prepared here. Throws what the loader throws.
    std::shared_ptr<const PreparedPicture> Take(const PrepareRequest& request);

    // Replaces the workers' queue with these requests (nearest first).
    void Prefetch(std::vector<PrepareRequest> requests);

    // Drops every cached picture and the queue; what the workers are preparing
    // right now is not kept either.
    void Clear();

    // For tests and benchmarks: how many Take calls were served without preparing.
    std::uint64_t hits() const;
    // The bytes of the cached pictures, now and at most since the last Clear.
    std::size_t cachedBytes() const;
    std::size_t peakBytes() const;
    // Blocks until the queue is empty and every worker is idle.
    void WaitIdle();

    // Makes a prepared picture from a decoded one; pure, used by both threads.
    static PreparedPicture Prepare(const QImage& decoded, bool stretch, QSize surface);
    // The same from the file, decoding only what is drawn: the fitted picture, or the part of
    // a picture at natural size that lies on the surface, turned the way it is shown and with
    // its transparency composited onto the request's background. A large JPEG prepared alone
    // is decoded on two threads. Throws EPictureError.
    static PreparedPicture PrepareFile(const PrepareRequest& request, bool alone = true);

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
        std::size_t bytes = 0;
    };

    static bool Stamp(const std::string& path, FileStamp& stamp);
    void Store(const PrepareRequest& request, const FileStamp& stamp, std::shared_ptr<const PreparedPicture> picture);
    std::shared_ptr<const PreparedPicture> Lookup(const PrepareRequest& request, const FileStamp& stamp);
    bool Cached(const PrepareRequest& request, const FileStamp& stamp) const;
    bool BeingPrepared(const PrepareRequest& request) const;
    void Run();

    Preparer prepare_;
    PrefetchLimits limits_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Entry> cache_; // most recent last
    std::size_t cachedBytes_ = 0;
    std::size_t peakBytes_ = 0;
    std::deque<PrepareRequest> queue_;
    std::vector<PrepareRequest> preparing_;
    std::uint64_t generation_ = 0; // counts Clear calls
    bool stop_ = false;
    std::uint64_t hits_ = 0;
    std::vector<std::thread> workers_;
};
