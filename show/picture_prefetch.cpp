#include "show/picture_prefetch.h"

#include "media/picture_decoders.h"
#include "system/thread_priority.h"
#include "show/show_geometry.h"

#include <QScopeGuard>

#include <sys/stat.h>

#include <algorithm>

PicturePrefetcher::PicturePrefetcher(Loader loader, PrefetchLimits limits)
    : PicturePrefetcher(Preparer([loader = std::move(loader)](const PrepareRequest& request, bool) {
          return Prepare(loader(request.path), request.stretch, request.surface);
      }),
                        limits)
{
}

PicturePrefetcher::PicturePrefetcher(Preparer preparer, PrefetchLimits limits)
    : prepare_(std::move(preparer))
    , limits_(limits)
{
    for (int i = 0; i < std::max(1, limits_.workers); ++i)
        workers_.emplace_back([this] { Run(); });
}

PicturePrefetcher::~PicturePrefetcher()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

bool PicturePrefetcher::Stamp(const std::string& path, FileStamp& stamp)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    stamp.size = st.st_size;
    stamp.mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

PreparedPicture PicturePrefetcher::Prepare(const QImage& decoded, bool stretch, QSize surface)
{
    PreparedPicture p;
    // The show works on opaque 32-bit pixels, the format the screen takes as it is.
    const QImage rgb = decoded.format() == QImage::Format_RGB32 ? decoded : decoded.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull())
        throw std::runtime_error("The picture could not be converted.");
    p.corner = rgb.pixel(0, 0);
    p.natural = rgb.size();
    if (stretch) {
        const std::optional<FitRectangle> rect = FitRect(rgb.width(), rgb.height(), surface.width(), surface.height());
        if (!rect)
            throw std::runtime_error("The picture cannot be fitted.");
        p.fitted = true;
        p.target = rect->toQRect();
        if (!p.target.isEmpty())
            p.image = StretchNearest(rgb, p.target.size());
    } else {
        // Keep only what shows on the surface of a picture larger than it.
        const QPoint origin = NaturalOrigin(rgb.width(), rgb.height(), surface.width(), surface.height());
        const QRect onSurface = QRect(origin, rgb.size()).intersected(QRect(QPoint(0, 0), surface));
        p.target = onSurface;
        if (!onSurface.isEmpty())
            p.image = onSurface.size() == rgb.size() ? rgb : rgb.copy(onSurface.translated(-origin));
    }
    return p;
}

PreparedPicture PicturePrefetcher::PrepareFile(const PrepareRequest& request, bool alone)
{
    PreparedPicture p;
    p.fitted = request.stretch;
    const QRect surface(QPoint(0, 0), request.surface);
    CutPicture cut = LoadPictureCut(request.path, alone ? DecodeThreads::Any : DecodeThreads::One, [&](QSize natural) {
        if (request.stretch) {
            const std::optional<FitRectangle> rect = FitRect(natural.width(), natural.height(), surface.width(), surface.height());
            if (!rect)
                throw std::runtime_error("The picture cannot be fitted.");
            p.target = rect->toQRect();
            return PictureCut{QRect(QPoint(0, 0), natural), p.target.size()};
        }
        const QPoint origin = NaturalOrigin(natural.width(), natural.height(), surface.width(), surface.height());
        p.target = QRect(origin, natural).intersected(surface);
        return PictureCut{p.target.translated(-origin), p.target.size()};
    });
    p.corner = BlendOnto(cut.corner, request.background) | 0xFF000000u;
    p.natural = cut.natural;
    p.image = FlattenOnto(std::move(cut.image), request.autoBackground ? p.corner : request.background);
    return p;
}

std::shared_ptr<const PreparedPicture> PicturePrefetcher::Lookup(const PrepareRequest& request, const FileStamp& stamp)
{
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->request == request) {
            Entry e = *it;
            cache_.erase(it);
            if (e.stamp == stamp) {
                cache_.push_back(e);
                return e.picture;
            }
            cachedBytes_ -= e.bytes;
            return nullptr;
        }
    }
    return nullptr;
}

bool PicturePrefetcher::Cached(const PrepareRequest& request, const FileStamp& stamp) const
{
    for (const Entry& e : cache_)
        if (e.request == request && e.stamp == stamp)
            return true;
    return false;
}

bool PicturePrefetcher::BeingPrepared(const PrepareRequest& request) const
{
    return std::find(preparing_.begin(), preparing_.end(), request) != preparing_.end();
}

void PicturePrefetcher::Store(const PrepareRequest& request, const FileStamp& stamp,
                              std::shared_ptr<const PreparedPicture> picture)
{
    for (auto it = cache_.begin(); it != cache_.end(); ++it)
        if (it->request == request) {
            cachedBytes_ -= it->bytes;
            cache_.erase(it);
            break;
        }
    const std::size_t bytes = std::size_t(picture->image.sizeInBytes());
    // One picture over the whole budget is handed out but never kept.
    if (bytes > limits_.bytes || limits_.pictures == 0)
        return;
    cache_.push_back(Entry{request, stamp, std::move(picture), bytes});
    cachedBytes_ += bytes;
    while (cache_.size() > limits_.pictures || cachedBytes_ > limits_.bytes) {
        cachedBytes_ -= cache_.front().bytes;
        cache_.pop_front();
    }
    peakBytes_ = std::max(peakBytes_, cachedBytes_);
}

std::shared_ptr<const PreparedPicture> PicturePrefetcher::Take(const PrepareRequest& request)
{
    FileStamp stamp;
    const bool stamped = Stamp(request.path, stamp);
    bool alone = false;
    std::uint64_t generation = 0;
    {
        std::unique_lock lock(mutex_);
        // A worker is on this very picture: waiting costs less than starting over.
        changed_.wait(lock, [&] { return !BeingPrepared(request); });
        if (stamped) {
            if (auto hit = Lookup(request, stamp)) {
                ++hits_;
                return hit;
            }
        }
        alone = preparing_.empty();
        generation = generation_;
        // So that no worker starts on the same picture meanwhile.
        preparing_.push_back(request);
    }
    const auto done = qScopeGuard([&] {
        std::lock_guard lock(mutex_);
        preparing_.erase(std::find(preparing_.begin(), preparing_.end(), request));
        changed_.notify_all();
    });
    auto picture = std::make_shared<const PreparedPicture>(prepare_(request, alone));
    FileStamp after;
    if (stamped && Stamp(request.path, after) && after == stamp) {
        std::lock_guard lock(mutex_);
        if (generation == generation_)
            Store(request, stamp, picture);
    }
    return picture;
}

void PicturePrefetcher::Prefetch(std::vector<PrepareRequest> requests)
{
    {
        std::lock_guard lock(mutex_);
        queue_.assign(requests.begin(), requests.end());
    }
    changed_.notify_all();
}

void PicturePrefetcher::Clear()
{
    std::lock_guard lock(mutex_);
    cache_.clear();
    queue_.clear();
    cachedBytes_ = 0;
    peakBytes_ = 0;
    ++generation_;
}

std::uint64_t PicturePrefetcher::hits() const
{
    std::lock_guard lock(mutex_);
    return hits_;
}

std::size_t PicturePrefetcher::cachedBytes() const
{
    std::lock_guard lock(mutex_);
    return cachedBytes_;
}

std::size_t PicturePrefetcher::peakBytes() const
{
    std::lock_guard lock(mutex_);
    return peakBytes_;
}

void PicturePrefetcher::WaitIdle()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return queue_.empty() && preparing_.empty(); });
}

void PicturePrefetcher::Run()
{
    RunThisThreadInTheBackground();
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stop_ || !queue_.empty(); });
        if (stop_)
            return;
        PrepareRequest request = queue_.front();
        queue_.pop_front();
        FileStamp stamp;
        // A file that is gone has nothing to prepare; one that is cached or on another worker
        // needs nothing more.
        if (!Stamp(request.path, stamp) || Cached(request, stamp) || BeingPrepared(request)) {
            changed_.notify_all(); // WaitIdle may be waiting for the last request
            continue;
        }
        preparing_.push_back(request);
        const std::uint64_t generation = generation_;
        lock.unlock();
        std::shared_ptr<const PreparedPicture> picture;
        try {
            // Several workers share the cores: each picture gets one.
            picture = std::make_shared<const PreparedPicture>(prepare_(request, limits_.workers < 2));
        } catch (...) {
            // A picture that fails here fails again, with its error, when the show takes it.
        }
        FileStamp after;
        const bool unchanged = Stamp(request.path, after) && after == stamp;
        lock.lock();
        if (picture && unchanged && generation == generation_)
            Store(request, stamp, std::move(picture));
        preparing_.erase(std::find(preparing_.begin(), preparing_.end(), request));
        changed_.notify_all();
    }
}
