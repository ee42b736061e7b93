// The picture prefetcher: what it caches, when it decodes again, and the
// prepared geometry it hands to the show.

#include "picture_writers.h"
#include "media/picture_decoders.h"
#include "show/picture_prefetch.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <png.h>
#include <turbojpeg.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cmath>
#include <fstream>
#include <future>
#include <mutex>
#include <stdexcept>
#include <tuple>

#include <sys/stat.h>
#include <utime.h>

namespace {

// Reads the pictures through Qt and counts the calls.
struct CountingLoader {
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);
    PicturePrefetcher::Loader loader()
    {
        auto c = calls;
        return [c](const std::string& path) {
            ++*c;
            QImage img(QString::fromStdString(path));
            if (img.isNull())
                throw std::runtime_error("cannot read " + path);
            return img.convertToFormat(QImage::Format_RGB32);
        };
    }
};

const QSize kSurface(200, 150);

// Every pixel different, so that a pixel tells where it came from.
QRgb Unique(int x, int y)
{
    return qRgb(x & 0xff, y & 0xff, (x >> 8) * 16 + (y >> 8));
}

// The same picture in the kinds and layouts whose decoders work row by row.
using Writer = std::function<picture_test::Bytes(QSize size)>;

picture_test::Bytes UniquePng(QSize size, bool interlaced, bool alpha)
{
    picture_test::PngLayout layout{size.width(), size.height(), alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, 8,
                                   interlaced, {}, {}, {}};
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const QRgb p = Unique(x, y);
            layout.pixels.insert(layout.pixels.end(), {std::uint8_t(qRed(p)), std::uint8_t(qGreen(p)), std::uint8_t(qBlue(p))});
            if (alpha)
                layout.pixels.push_back(std::uint8_t((x * 7 + y * 3) % 256));
        }
    return picture_test::Png(layout);
}

picture_test::Bytes UniqueBmp(QSize size, bool topDown)
{
    return picture_test::BmpFile({size.width(), topDown ? -size.height() : size.height(), 24, 0, 40, {}, {},
                                  picture_test::BmpRows(size.width(), size.height(), 24, [&](int x, int row) {
                                      const QRgb p = Unique(x, topDown ? row : size.height() - 1 - row);
                                      return std::uint32_t(qBlue(p) | qGreen(p) << 8 | qRed(p) << 16);
                                  })});
}

// Runs of four colours, so that the pixels still tell roughly where they came from.
picture_test::Bytes StripedRle8(QSize size)
{
    picture_test::Bytes stream;
    for (int row = 0; row < size.height(); ++row) {
        for (int x = 0; x < size.width(); x += 5)
            stream += picture_test::Bytes{char(std::min(5, size.width() - x)), char((x / 5 + row) % 4)};
        stream += picture_test::Bytes("\0\0", 2);
    }
    stream += picture_test::Bytes("\0\1", 2);
    return picture_test::BmpFile({size.width(), size.height(), 8, 1, 40,
                                  {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(250, 250, 250)}, {}, stream});
}

// Colours that change slowly everywhere, whatever the size: a pixel of a JPEG decoded at 1/8 is
// the average of an 8 x 8 block, close to any single pixel of it only where colours are smooth.
QImage SmoothPicture(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, qRgb(128 + int(100 * std::sin(x / 80.0)), 128 + int(100 * std::cos(y / 80.0)),
                                        128 + int(60 * std::sin((x + y) / 120.0))));
    return picture;
}

int ChannelDifference(QRgb p, QRgb q)
{
    return std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
}

int MaxChannelDifference(const QImage& a, const QImage& b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            worst = std::max(worst, ChannelDifference(a.pixel(x, y), b.pixel(x, y)));
    return worst;
}

// Three bands of 10 x 10 pixels: half-transparent at the top-left corner, wholly transparent,
// opaque; grey for the kinds that hold only grey.
struct Band {
    QRgb colour;
    int alpha;
};
using Bands = std::array<Band, 3>;

picture_test::Bytes BandsFile(const QString& kind, const Bands& bands)
{
    const int w = 30, h = 10;
    picture_test::PngLayout png{w, h, 0, 8, false, {}, {}, {}};
    if (kind == "bmp") {
        return picture_test::BmpFile({w, h, 32, 3, 124, {}, {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                                      picture_test::BmpRows(w, h, 32, [&](int x, int) {
                                          const Band& b = bands[std::size_t(x / 10)];
                                          return std::uint32_t(b.colour & 0xFFFFFF) | std::uint32_t(b.alpha) << 24;
                                      })});
    }
    if (kind == "palette") {
        png.colourType = PNG_COLOR_TYPE_PALETTE;
        for (const Band& b : bands) {
            png.palette.insert(png.palette.end(), {std::uint8_t(qRed(b.colour)), std::uint8_t(qGreen(b.colour)), std::uint8_t(qBlue(b.colour))});
            png.paletteAlpha.push_back(std::uint8_t(b.alpha));
        }
    } else {
        png.colourType = kind == "grey" ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_RGB_ALPHA;
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t i = std::size_t(x / 10);
            const Band& b = bands[i];
            if (kind == "palette")
                png.pixels.push_back(std::uint8_t(i));
            else if (kind == "grey")
                png.pixels.insert(png.pixels.end(), {std::uint8_t(qRed(b.colour)), std::uint8_t(b.alpha)});
            else
                png.pixels.insert(png.pixels.end(), {std::uint8_t(qRed(b.colour)), std::uint8_t(qGreen(b.colour)),
                                                     std::uint8_t(qBlue(b.colour)), std::uint8_t(b.alpha)});
        }
    return picture_test::Png(png);
}

// alpha * colour + (1 - alpha) * under, channel by channel.
QRgb Over(QRgb colour, int alpha, QRgb under)
{
    const auto mix = [&](int c, int u) { return int(std::lround((c * alpha + u * (255 - alpha)) / 255.0)); };
    return qRgb(mix(qRed(colour), qRed(under)), mix(qGreen(colour), qGreen(under)), mix(qBlue(colour), qBlue(under)));
}

} // namespace

Q_DECLARE_METATYPE(Writer)

class TestPicturePrefetch : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    std::string solid(const QString& name, int w, int h, QColor c)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(c);
        const QString path = dir_.filePath(name);
        if (!img.save(path))
            qFatal("cannot write %s", qPrintable(path));
        return path.toStdString();
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void aPrefetchedPictureComesFromTheCache()
    {
        CountingLoader counting;
        PicturePrefetcher prefetcher(counting.loader());
        const PrepareRequest fitted{solid("a.png", 40, 30, Qt::red), true, kSurface};
        prefetcher.Prefetch({fitted});
        prefetcher.WaitIdle();
        QCOMPARE(counting.calls->load(), 1);
        QCOMPARE(prefetcher.hits(), std::uint64_t(0));

        auto first = prefetcher.Take(fitted);
        auto again = prefetcher.Take(fitted);
        QCOMPARE(counting.calls->load(), 1);
        QCOMPARE(prefetcher.hits(), std::uint64_t(2));
        QCOMPARE(first.get(), again.get());
        QCOMPARE(QColor(first->image.pixel(0, 0)), QColor(Qt::red));

        // The same file prepared another way is another picture.
        PrepareRequest natural = fitted;
        natural.stretch = false;
        PrepareRequest smaller = fitted;
        smaller.surface = QSize(100, 75);
        prefetcher.Take(natural);
        prefetcher.Take(smaller);
        QCOMPARE(counting.calls->load(), 3);
        QCOMPARE(first->target, QRect(0, 0, 200, 150));

        prefetcher.Clear();
        prefetcher.Take(fitted);
        QCOMPARE(counting.calls->load(), 4);
    }

    void aChangedFileIsDecodedAgain_data()
    {
        QTest::addColumn<bool>("rewrite"); // else only the modification time changes
        QTest::newRow("rewritten, other size") << true;
        QTest::newRow("touched") << false;
    }

    void aChangedFileIsDecodedAgain()
    {
        QFETCH(bool, rewrite);
        CountingLoader counting;
        PicturePrefetcher prefetcher(counting.loader());
        const std::string path = solid(QString("change-%1.png").arg(rewrite), 40, 30, Qt::red);
        const PrepareRequest request{path, true, kSurface};
        prefetcher.Prefetch({request});
        prefetcher.WaitIdle();
        QCOMPARE(counting.calls->load(), 1);

        if (rewrite) {
            solid(QString("change-%1.png").arg(rewrite), 80, 60, Qt::green);
        } else {
            struct stat st {};
            QCOMPARE(::stat(path.c_str(), &st), 0);
            struct utimbuf times {st.st_atime, st.st_mtime - 10};
            QCOMPARE(::utime(path.c_str(), &times), 0);
        }
        auto picture = prefetcher.Take(request);
        QCOMPARE(counting.calls->load(), 2);
        QCOMPARE(prefetcher.hits(), std::uint64_t(0));
        QCOMPARE(picture->natural, rewrite ? QSize(80, 60) : QSize(40, 30));
        QCOMPARE(QColor(picture->image.pixel(0, 0)), rewrite ? QColor(Qt::green) : QColor(Qt::red));
        // The new state is cached in turn.
        prefetcher.Take(request);
        QCOMPARE(counting.calls->load(), 2);
    }

    void holdsAtMostCapacityPictures_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::newRow("3") << 3;
        QTest::newRow("1") << 1;
    }

    void holdsAtMostCapacityPictures()
    {
        QFETCH(int, capacity);
        CountingLoader counting;
        PicturePrefetcher prefetcher(counting.loader(), PrefetchLimits{std::size_t(capacity)});
        std::vector<PrepareRequest> requests;
        for (int i = 0; i < 5; ++i)
            requests.push_back({solid(QString("cap%1.png").arg(i), 10 + i, 10, Qt::blue), true, kSurface});
        for (const PrepareRequest& r : requests) {
            prefetcher.Prefetch({r});
            prefetcher.WaitIdle();
        }
        QCOMPARE(counting.calls->load(), 5);
        // Newest first: the last `capacity` are still there, the older ones are gone.
        int expected = 5;
        for (int i = 4; i >= 0; --i) {
            const std::uint64_t hitsBefore = prefetcher.hits();
            prefetcher.Take(requests[std::size_t(i)]);
            const bool kept = i >= 5 - capacity;
            if (!kept)
                ++expected;
            QVERIFY2(counting.calls->load() == expected, qPrintable(QString("picture %1").arg(i)));
            QCOMPARE(prefetcher.hits(), hitsBefore + (kept ? 1 : 0));
        }
    }

    // The budget is in bytes whatever the screen: pictures of a larger surface take more of it.
    void holdsAtMostItsBytes()
    {
        CountingLoader counting;
        const std::size_t one = std::size_t(kSurface.width()) * kSurface.height() * 4;  // a picture fitted exactly
        PicturePrefetcher prefetcher(counting.loader(), PrefetchLimits{100, 2 * one + one / 2});
        std::vector<PrepareRequest> requests;
        for (int i = 0; i < 4; ++i)
            requests.push_back({solid(QString("bytes%1.png").arg(i), 40, 30, Qt::blue), true, kSurface});
        for (const PrepareRequest& r : requests) {
            prefetcher.Prefetch({r});
            prefetcher.WaitIdle();
            QVERIFY(prefetcher.cachedBytes() <= 2 * one + one / 2);
        }
        QCOMPARE(prefetcher.cachedBytes(), 2 * one);
        QCOMPARE(prefetcher.peakBytes(), 2 * one);
        // The two most recent are kept; the oldest went first.
        for (int i : {3, 2})
            prefetcher.Take(requests[std::size_t(i)]);
        QCOMPARE(prefetcher.hits(), std::uint64_t(2));
        QCOMPARE(counting.calls->load(), 4);
        prefetcher.Take(requests[0]);
        QCOMPARE(counting.calls->load(), 5);

        // A picture over the whole budget is handed out and not kept.
        PrepareRequest huge = requests[0];
        huge.surface = kSurface * 3;
        QVERIFY(prefetcher.Take(huge)->image.sizeInBytes() > qsizetype(2 * one + one / 2));
        QVERIFY(prefetcher.cachedBytes() <= 2 * one + one / 2);
        prefetcher.Take(huge);
        QCOMPARE(counting.calls->load(), 7);
    }

    // Two workers prepare two pictures side by side, each on one core; Take alone may use both.
    void twoWorkersPrepareTwoPicturesAtOnce()
    {
        std::mutex mutex;
        std::condition_variable both;
        int inside = 0, most = 0;
        std::vector<bool> aloneSeen;
        PicturePrefetcher prefetcher(
            [&](const PrepareRequest& request, bool alone) {
                {
                    std::unique_lock lock(mutex);
                    aloneSeen.push_back(alone);
                    most = std::max(most, ++inside);
                    both.notify_all();
                    both.wait_for(lock, std::chrono::seconds(5), [&] { return most >= 2; });
                    --inside;
                }
                return PicturePrefetcher::Prepare(QImage(QString::fromStdString(request.path)), true, kSurface);
            },
            PrefetchLimits{10, std::size_t(-1), 2});
        const PrepareRequest a{solid("side-a.png", 8, 6, Qt::red), true, kSurface};
        const PrepareRequest b{solid("side-b.png", 8, 6, Qt::green), true, kSurface};
        prefetcher.Prefetch({a, b});
        prefetcher.WaitIdle();
        QCOMPARE(most, 2);
        QCOMPARE(aloneSeen, std::vector<bool>({false, false}));
        prefetcher.Take(a);
        prefetcher.Take(b);
        QCOMPARE(prefetcher.hits(), std::uint64_t(2));
        const PrepareRequest c{solid("side-c.png", 8, 6, Qt::blue), true, kSurface};
        most = 2;  // no partner to wait for
        prefetcher.Take(c);
        QCOMPARE(aloneSeen.back(), true);
    }

    // A show that ends drops its pictures, also the one a worker is preparing as it ends, and
    // what was still queued.
    void clearDropsWhatIsBeingPrepared()
    {
        std::promise<void> entered, release;
        auto released = release.get_future().share();
        std::atomic<int> calls = 0;
        PicturePrefetcher prefetcher(
            [&](const PrepareRequest& request, bool) {
                if (++calls == 1) {
                    entered.set_value();
                    released.wait();
                }
                return PicturePrefetcher::Prepare(QImage(QString::fromStdString(request.path)), true, kSurface);
            },
            PrefetchLimits{10});
        const PrepareRequest slow{solid("clear-a.png", 8, 6, Qt::red), true, kSurface};
        const PrepareRequest queued{solid("clear-b.png", 8, 6, Qt::green), true, kSurface};
        prefetcher.Prefetch({slow, queued});
        entered.get_future().wait();
        prefetcher.Clear();
        release.set_value();
        prefetcher.WaitIdle();
        QCOMPARE(calls.load(), 1);
        QCOMPARE(prefetcher.cachedBytes(), std::size_t(0));
        prefetcher.Take(slow);
        QCOMPARE(calls.load(), 2);
        QCOMPARE(prefetcher.hits(), std::uint64_t(0));
    }

    void loaderErrorsReachTake()
    {
        std::atomic<int> calls = 0;
        PicturePrefetcher prefetcher([&](const std::string&) -> QImage {
            ++calls;
            throw std::runtime_error("no good");
        });
        const PrepareRequest request{solid("err.png", 4, 4, Qt::red), true, kSurface};
        // Failing in the background first changes nothing: Take fails with the error.
        prefetcher.Prefetch({request});
        prefetcher.WaitIdle();
        for (int i = 0; i < 2; ++i) {
            try {
                prefetcher.Take(request);
                QFAIL("Take did not throw");
            } catch (const std::runtime_error& e) {
                QCOMPARE(QString(e.what()), QString("no good"));
            }
        }
        QCOMPARE(calls.load(), 3);
        QCOMPARE(prefetcher.hits(), std::uint64_t(0));
    }

    void takeWaitsForThePictureBeingPrepared()
    {
        std::atomic<int> calls = 0;
        std::promise<void> entered, release;
        auto released = release.get_future().share();
        PicturePrefetcher prefetcher([&](const std::string&) {
            if (++calls == 1) {
                entered.set_value();
                released.wait();
            }
            QImage img(40, 30, QImage::Format_RGB32);
            img.fill(Qt::green);
            return img;
        });
        const PrepareRequest request{solid("slow.png", 4, 4, Qt::red), true, kSurface};
        prefetcher.Prefetch({request});
        entered.get_future().wait();
        auto taken = std::async(std::launch::async, [&] { return prefetcher.Take(request); });
        QVERIFY(taken.wait_for(std::chrono::milliseconds(50)) == std::future_status::timeout);
        release.set_value();
        auto picture = taken.get();
        QCOMPARE(calls.load(), 1);
        QCOMPARE(QColor(picture->image.pixel(0, 0)), QColor(Qt::green));
    }

    void prepare_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QRect>("target");
        QTest::addColumn<QPoint>("imageOrigin"); // where image(0,0) comes from in the picture

        QTest::newRow("fitted, wider") << QSize(400, 100) << true << QRect(0, 50, 200, 50) << QPoint(0, 0);
        QTest::newRow("fitted, taller, half to even") << QSize(50, 100) << true << QRect(62, 0, 75, 150) << QPoint(0, 0);
        QTest::newRow("fitted, same ratio") << QSize(40, 30) << true << QRect(0, 0, 200, 150) << QPoint(0, 0);
        QTest::newRow("fitted, 1px high") << QSize(1000, 1) << true << QRect(0, 75, 200, 0) << QPoint(0, 0);
        QTest::newRow("natural, smaller") << QSize(50, 40) << false << QRect(75, 55, 50, 40) << QPoint(0, 0);
        QTest::newRow("natural, larger") << QSize(301, 251) << false << QRect(0, 0, 200, 150) << QPoint(50, 50);
        QTest::newRow("natural, wider only") << QSize(203, 10) << false << QRect(0, 70, 200, 10) << QPoint(1, 0);
    }

    void prepare()
    {
        QFETCH(QSize, size);
        QFETCH(bool, stretch);
        QFETCH(QRect, target);
        QFETCH(QPoint, imageOrigin);
        // Every pixel different, so the image's first pixel tells where it was cut.
        QImage decoded(size, QImage::Format_ARGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                decoded.setPixel(x, y, qRgb(x & 0xff, y & 0xff, (x >> 8) * 16 + (y >> 8)));
        const PreparedPicture p = PicturePrefetcher::Prepare(decoded, stretch, kSurface);
        QCOMPARE(p.corner, decoded.pixel(0, 0) | 0xff000000u);
        QCOMPARE(p.natural, size);
        QCOMPARE(p.fitted, stretch);
        QCOMPARE(p.target, target);
        if (target.isEmpty())
            return;
        QCOMPARE(p.image.size(), target.size());
        QCOMPARE(p.image.format(), QImage::Format_RGB32);
        if (!stretch) {
            QCOMPARE(p.image.pixel(0, 0), decoded.pixel(imageOrigin));
            return;
        }
        // Stretched without blending: every pixel is a picture pixel lying
        // under the destination pixel's footprint.
        const double sx = double(size.width()) / target.width(), sy = double(size.height()) / target.height();
        for (QPoint d : {QPoint(0, 0), QPoint(target.width() - 1, target.height() - 1), QPoint(target.width() / 2, target.height() / 3)}) {
            const QRgb c = p.image.pixel(d);
            const int x = qRed(c) + 256 * (qBlue(c) / 16), y = qGreen(c) + 256 * (qBlue(c) % 16);
            QCOMPARE(decoded.pixel(x, y), c);
            QVERIFY2(x >= int(d.x() * sx) && x < std::ceil((d.x() + 1) * sx) && y >= int(d.y() * sy) && y < std::ceil((d.y() + 1) * sy),
                     qPrintable(QString("(%1,%2) from (%3,%4)").arg(d.x()).arg(d.y()).arg(x).arg(y)));
        }
    }

    // Decoding straight to the drawn size gives what decoding the whole picture and preparing
    // it gives, pixel for pixel; a reduced JPEG comes from the DCT's own scaling and may
    // differ a little.
    void preparingFromTheFileDrawsWhatTheWholePictureDraws_data()
    {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("stretch");

        const struct {
            const char* name;
            Writer writer;
            const char* extension;
            int tolerance;
        } kinds[] = {
            {"png", [](QSize s) { return UniquePng(s, false, false); }, "png", 0},
            {"png interlaced", [](QSize s) { return UniquePng(s, true, false); }, "png", 0},
            {"png interlaced alpha", [](QSize s) { return UniquePng(s, true, true); }, "png", 0},
            {"bmp", [](QSize s) { return UniqueBmp(s, false); }, "bmp", 0},
            {"bmp top-down", [](QSize s) { return UniqueBmp(s, true); }, "bmp", 0},
            {"bmp rle8", StripedRle8, "bmp", 0},
            {"jpeg", [](QSize s) { return picture_test::Jpeg(SmoothPicture(s), TJSAMP_420); }, "jpg", 16},
        };
        const struct {
            const char* name;
            QSize size;
            bool stretch;
        } geometries[] = {
            {"fitted, enlarged", {37, 23}, true},
            {"fitted, tall, enlarged", {23, 37}, true},
            {"fitted, same ratio", {200, 150}, true},
            {"fitted, reduced", {401, 299}, true},
            {"fitted, reduced past an eighth", {1999, 1001}, true},
            {"fitted, wide and thin", {1000, 3}, true},
            {"fitted, one pixel high", {1000, 1}, true},
            {"natural, larger, clipped", {301, 251}, false},
            {"natural, smaller", {50, 40}, false},
            {"natural, wider only", {203, 10}, false},
        };
        for (const auto& kind : kinds)
            for (const auto& geometry : geometries)
                QTest::addRow("%s, %s", kind.name, geometry.name)
                    << kind.writer << QString(kind.extension) << kind.tolerance << geometry.size << geometry.stretch;
    }

    void preparingFromTheFileDrawsWhatTheWholePictureDraws()
    {
        QFETCH(Writer, writer);
        QFETCH(QString, extension);
        QFETCH(int, tolerance);
        QFETCH(QSize, size);
        QFETCH(bool, stretch);
        static int serial = 0;
        const std::string path = dir_.filePath(QString("cut%1.%2").arg(++serial).arg(extension)).toStdString();
        std::ofstream(path, std::ios::binary) << writer(size);

        const PreparedPicture expected = PicturePrefetcher::Prepare(LoadPicture(path), stretch, kSurface);
        const PreparedPicture p = PicturePrefetcher::PrepareFile({path, stretch, kSurface});

        QCOMPARE(p.natural, expected.natural);
        QCOMPARE(p.fitted, expected.fitted);
        QCOMPARE(p.target, expected.target);
        QCOMPARE(p.image.isNull(), expected.image.isNull());
        QVERIFY(ChannelDifference(p.corner, expected.corner) <= tolerance);
        QCOMPARE(qAlpha(p.corner), 255);
        if (expected.image.isNull())
            return;
        QCOMPARE(p.image.size(), expected.image.size());
        QCOMPARE(p.image.format(), QImage::Format_RGB32);
        if (tolerance == 0)
            QCOMPARE(p.image, expected.image);
        else
            QVERIFY2(MaxChannelDifference(p.image, expected.image) <= tolerance, qPrintable(QString::number(MaxChannelDifference(p.image, expected.image))));
    }

    // What shows through a transparent pixel is what the slide is filled with: the background
    // setting, or the picture's own corner (itself over the setting), never white.
    void transparencyShowsTheSlidesBackground_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QRgb>("background");
        QTest::addColumn<bool>("automatic");
        for (const char* kind : {"rgba", "grey", "palette", "bmp"})
            for (const auto& [name, background, automatic] :
                 {std::tuple{"dark blue", qRgb(10, 20, 90), false}, std::tuple{"orange", qRgb(250, 160, 20), false},
                  std::tuple{"automatic", qRgb(10, 20, 90), true}})
                QTest::addRow("%s over %s", kind, name) << QString(kind) << background << automatic;
    }

    void transparencyShowsTheSlidesBackground()
    {
        QFETCH(QString, kind);
        QFETCH(QRgb, background);
        QFETCH(bool, automatic);
        const bool grey = kind == "grey";
        const Bands bands{Band{grey ? qRgb(150, 150, 150) : qRgb(0, 200, 0), 128}, Band{grey ? qRgb(80, 80, 80) : qRgb(200, 0, 0), 0},
                          Band{grey ? qRgb(220, 220, 220) : qRgb(0, 0, 200), 255}};
        static int serial = 0;
        const std::string path = dir_.filePath(QString("bands%1.%2").arg(++serial).arg(kind == "bmp" ? "bmp" : "png")).toStdString();
        std::ofstream(path, std::ios::binary) << BandsFile(kind, bands);

        for (bool stretch : {true, false}) {
            const PreparedPicture p = PicturePrefetcher::PrepareFile({path, stretch, kSurface, background, automatic});
            const QRgb corner = Over(bands[0].colour, bands[0].alpha, background);
            QVERIFY(ChannelDifference(p.corner, corner) <= 1);
            const QRgb under = automatic ? corner : background;
            QCOMPARE(p.image.format(), QImage::Format_RGB32);
            for (int i = 0; i < 3; ++i) {
                const QRgb got = p.image.pixel(p.image.width() * (2 * i + 1) / 6, p.image.height() / 2);
                const QRgb want = Over(bands[std::size_t(i)].colour, bands[std::size_t(i)].alpha, under);
                QVERIFY2(ChannelDifference(got, want) <= 1,
                         qPrintable(QString("band %1: %2, not %3").arg(i).arg(got, 0, 16).arg(want, 0, 16)));
            }
        }
    }

    // A phone's portrait photo, stored on its side with an EXIF orientation: the show fits it
    // the way it is shown.
    void theShowTurnsPicturesByTheirOrientation_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < 8; ++i)
            QTest::addRow("%d", picture_test::kOrientations[i].orientation) << i;
    }

    void theShowTurnsPicturesByTheirOrientation()
    {
        QFETCH(int, index);
        const picture_test::OrientationCase& c = picture_test::kOrientations[index];
        const std::string path = dir_.filePath(QString("turned%1.png").arg(c.orientation)).toStdString();
        std::ofstream(path, std::ios::binary)
            << picture_test::WithPngChunks(picture_test::QuadrantsPng(64, 32), {{"eXIf", picture_test::ExifOrientation(c.orientation)}});
        const bool upright = c.orientation >= 5;

        const PreparedPicture fitted = PicturePrefetcher::PrepareFile({path, true, kSurface});
        QCOMPARE(fitted.natural, upright ? QSize(32, 64) : QSize(64, 32));
        // 32 x 64 fits 200 x 150 as 75 x 150; 64 x 32 as 200 x 100.
        QCOMPARE(fitted.target, upright ? QRect(62, 0, 75, 150) : QRect(0, 25, 200, 100));
        QCOMPARE(fitted.corner, c.topLeft);
        const QImage& shown = fitted.image;
        const int w = shown.width(), h = shown.height();
        QCOMPARE(shown.pixel(w / 4, h / 4), c.topLeft);
        QCOMPARE(shown.pixel(3 * w / 4, h / 4), c.topRight);
        QCOMPARE(shown.pixel(w / 4, 3 * h / 4), c.bottomLeft);
        QCOMPARE(shown.pixel(3 * w / 4, 3 * h / 4), c.bottomRight);

        const PreparedPicture natural = PicturePrefetcher::PrepareFile({path, false, kSurface});
        QCOMPARE(natural.target, upright ? QRect(84, 43, 32, 64) : QRect(68, 59, 64, 32));
        QCOMPARE(natural.image.pixel(0, 0), c.topLeft);
        QCOMPARE(natural.image.pixel(natural.image.width() - 1, natural.image.height() - 1), c.bottomRight);
    }

    void preparingWhatCannotBeShownThrows()
    {
        QVERIFY_THROWS_EXCEPTION(std::exception, PicturePrefetcher::Prepare(QImage(), true, kSurface));
        QVERIFY_THROWS_EXCEPTION(std::exception, PicturePrefetcher::Prepare(QImage(), false, kSurface));
    }
};

QTEST_MAIN(TestPicturePrefetch)
#include "test_picture_prefetch.moc"
