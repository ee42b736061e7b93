#include "show/picture_prefetch.h"

#include "media/picture_decoders.h"
#include "platform/thread_priority.h"
#include "show/show_geometry.h"

#include <sys/stat.h>

PicturePrefetcher::PicturePrefetcher(Loader loader, std::size_t capacity)
    : PicturePrefetcher(Preparer([loader = std::move(loader)](const PrepareRequest& request) {
          return Prepare(loader(request.path), request.stretch, request.surface);
      }),
                        capacity)
{
}

PicturePrefetcher::PicturePrefetcher(Preparer preparer, std::size_t capacity)
    : prepare_(std::move(preparer))
    , capacity_(capacity)
{
    worker_ = std::thread([this] { Run(); });
}

PicturePrefetcher::~PicturePrefetcher()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    worker_.join();
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

PreparedPicture PicturePrefetcher::PrepareFile(const PrepareRequest& request)
{
    PreparedPicture p;
    p.fitted = request.stretch;
    const QRect surface(QPoint(0, 0), request.surface);
    CutPicture cut = LoadPictureCut(request.path, [&](QSize natural) {
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
            if (it->stamp == stamp) {
                Entry e = *it;
                cache_.erase(it);
                cache_.push_back(e);
                return e.picture;
            }
            cache_.erase(it);
            return nullptr;
        }
    }
    return nullptr;
}

void PicturePrefetcher::Store(const PrepareRequest& request, const FileStamp& stamp,
                              std::shared_ptr<const PreparedPicture> picture)
{
    for (auto it = cache_.begin(); it != cache_.end(); ++it)
        if (it->request == request) {
            cache_.erase(it);
            break;
        }
    cache_.push_back(Entry{request, stamp, std::move(picture)});
    while (cache_.size() > capacity_)
        cache_.pop_front();
}

std::shared_ptr<const PreparedPicture> PicturePrefetcher::Take(const PrepareRequest& request)
{
    FileStamp stamp;
    const bool stamped = Stamp(request.path, stamp);
    {
        std::unique_lock lock(mutex_);
        // The worker is on this very picture: waiting costs less than starting over.
        changed_.wait(lock, [&] { return !(busy_ && current_ == request); });
        if (stamped) {
            if (auto hit = Lookup(request, stamp)) {
                ++hits_;
                return hit;
            }
        }
    }
    auto picture = std::make_shared<const PreparedPicture>(prepare_(request));
    FileStamp after;
    if (stamped && Stamp(request.path, after) && after == stamp) {
        std::lock_guard lock(mutex_);
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
}

std::uint64_t PicturePrefetcher::hits() const
{
    std::lock_guard lock(mutex_);
    return hits_;
}

void PicturePrefetcher::WaitIdle()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return queue_.empty() && !busy_; });
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
        bool cached = false;
        if (Stamp(request.path, stamp)) {
            for (const Entry& e : cache_)
                if (e.request == request && e.stamp == stamp)
                    cached = true;
        } else {
            cached = true; // nothing to prepare: the file is gone
        }
        if (cached) {
            changed_.notify_all(); // WaitIdle may be waiting for the last request
            continue;
        }
        busy_ = true;
        current_ = request;
        lock.unlock();
        std::shared_ptr<const PreparedPicture> picture;
        try {
            picture = std::make_shared<const PreparedPicture>(prepare_(request));
        } catch (...) {
            // A picture that fails here fails again, with its error, when the show takes it.
        }
        FileStamp after;
        const bool unchanged = Stamp(request.path, after) && after == stamp;
        lock.lock();
        if (picture && unchanged)
            Store(request, stamp, std::move(picture));
        busy_ = false;
        changed_.notify_all();
    }
}
