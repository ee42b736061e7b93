// The show window: what ShowSlide draws on the surface and plays, and whole
// shows run through the window's modal loop with real key events.

#include "test_files.h"
#include "recorded_reports.h"
#include "errors/error_report.h"
#include "media/media_player.h"
#include "platform/key_position_source.h"
#include "platform/pointer_confine.h"
#include "platform/screen_saver.h"
#include "media/sound_output_null.h"
#include "settings/options.h"
#include "settings/text_forms.h"
#include "show/f_instructions.h"
#include "show/f_run.h"
#include "show/picture_prefetch.h"
#include "slides/treclist.h"

#include <QApplication>
#include <QBuffer>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

constexpr QSize kSurface(200, 150);
const QRgb kBackground = qRgb(0x10, 0x20, 0x40); // the setting 0x00402010
const QRgb kPicture = qRgb(0, 0, 255);


struct SlideDraft {
    QString image; // full path, or empty
    QString sound;
    std::string name;
};

treclist makeList(const std::vector<SlideDraft>& drafts)
{
    treclist list;
    for (const SlideDraft& s : drafts) {
        auto r = std::make_unique<trec>();
        r->image_filename = r->image_disk_path = s.image.toStdString();
        r->sound_filename = r->sound_disk_path = s.sound.toStdString();
        r->name = s.name;
        list.items.push_back(std::move(r));
    }
    return list;
}

// The bounding box of the pixels that pass the test, and how many there are.
struct Ink {
    QRect box;
    int count = 0;
};

Ink findInk(const QImage& img, const std::function<bool(QRgb)>& is)
{
    Ink ink;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (is(img.pixel(x, y))) {
                ink.box |= QRect(x, y, 1, 1);
                ++ink.count;
            }
    return ink;
}

bool isCaptionRed(QRgb c)
{
    return qRed(c) > 128 && qGreen(c) < 80;
}

bool isQuitYellow(QRgb c)
{
    return qRed(c) > 128 && qGreen(c) > 128 && qBlue(c) < 100;
}

QImage quadrants(int w, int h, int splitX, int splitY)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.fillRect(0, 0, splitX, splitY, Qt::red);
    p.fillRect(splitX, 0, w - splitX, splitY, Qt::green);
    p.fillRect(0, splitY, splitX, h - splitY, Qt::blue);
    p.fillRect(splitX, splitY, w - splitX, h - splitY, Qt::white);
    return img;
}

class FakeLock final : public KeyboardLockControl {
public:
    FakeLock(int& locks, int& unlocks, const bool& held) : locks_(locks), unlocks_(unlocks), held_(held) {}
    void LockKeyboard() override { ++locks_; }
    void UnlockKeyboard() override { ++unlocks_; }
    bool Held() const override { return held_ && locks_ > unlocks_; }
    std::string Problem() const override { return Held() ? std::string() : "the desktop said no"; }

private:
    int& locks_;
    int& unlocks_;
    const bool& held_;
};

// What the show took of the desktop and gave back.
struct DesktopState {
    int busyGrabs = 0; // pointer grabs answered Busy before one succeeds
    int grabs = 0;
    bool pointerHeld = false;
    bool saverHeld = false;
    int holds = 0;
    bool keyboardHeld = false; // once locked
    int escapeHolds = 0;
    bool escapeHeld = false;
};

class FakeEscape final : public platform::DesktopEscapeHold {
public:
    explicit FakeEscape(DesktopState& d) : d_(d) {}
    std::string Hold() override
    {
        ++d_.escapeHolds;
        d_.escapeHeld = true;
        return "fake escape";
    }
    void Release() override { d_.escapeHeld = false; }

private:
    DesktopState& d_;
};

class FakePointer final : public platform::PointerConfine {
public:
    explicit FakePointer(DesktopState& d) : d_(d) {}
    platform::PointerGrab Grab(uintptr_t window) override
    {
        if (!window)
            return platform::PointerGrab::Failed;
        if (++d_.grabs <= d_.busyGrabs)
            return platform::PointerGrab::Busy;
        d_.pointerHeld = true;
        return platform::PointerGrab::Grabbed;
    }
    void Release() override { d_.pointerHeld = false; }

private:
    DesktopState& d_;
};

class FakeSaver final : public platform::ScreenSaverHold {
public:
    explicit FakeSaver(DesktopState& d) : d_(d) {}
    std::string Hold() override
    {
        ++d_.holds;
        d_.saverHeld = true;
        return "fake";
    }
    void Release() override { d_.saverHeld = false; }

private:
    DesktopState& d_;
};

class ShowCounter : public QObject {
public:
    int shows = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Show)
            ++shows;
        return false;
    }
};

// Ends every modal loop if a test hangs, so that it fails instead of blocking.
class Watchdog {
public:
    explicit Watchdog(int ms = 15000)
    {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            fired = true;
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QDialog*>(top); d && d->isVisible())
                    d->done(QDialog::Rejected);
        });
        timer_.start(ms);
    }
    bool fired = false;

private:
    QTimer timer_;
};

void typeKeys(QWidget* w, const QList<Qt::Key>& keys)
{
    for (Qt::Key k : keys)
        QTest::keyClick(w, k);
}

const QList<Qt::Key> kQuit = {Qt::Key_Q, Qt::Key_U, Qt::Key_I, Qt::Key_T};

// A keymap whose letter keys carry no Latin letter (Russian): only their
// places tell which they are. Notes how often it was reloaded by each key.
class PlacesOnly final : public platform::KeyPositionSource {
public:
    int reloads = 0;
    std::vector<int> reloadsAtKeys;
    void Reload() override { ++reloads; }
    int VirtualKey(const QKeyEvent& event) override
    {
        reloadsAtKeys.push_back(reloads);
        switch (event.nativeScanCode()) {
        case 24: return 'Q';
        case 30: return 'U';
        case 31: return 'I';
        case 28: return 'T';
        default: return 0;
        }
    }
};

// The keys at the places of Q U I T under a Russian layout, as X key codes
// with their Cyrillic Qt keys.
void typeQuitOnRussian(QWidget* w)
{
    const struct {
        quint32 keycode;
        int qtKey;
    } keys[] = {{24, 0x419}, {30, 0x413}, {31, 0x428}, {28, 0x415}};
    for (const auto& k : keys) {
        const QString text(QChar(k.qtKey + 0x20));
        QKeyEvent press(QEvent::KeyPress, k.qtKey, Qt::NoModifier, k.keycode, 0, 0, text);
        QKeyEvent release(QEvent::KeyRelease, k.qtKey, Qt::NoModifier, k.keycode, 0, 0, text);
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }
}

} // namespace

Q_DECLARE_METATYPE(QList<Qt::Key>)

class TestRunWindow : public QObject {
    Q_OBJECT

    NullSoundOutput output_;
    Options options_;
    QTemporaryDir dir_;
    int locks_ = 0;
    int unlocks_ = 0;
    DesktopState desktop_;

    std::unique_ptr<TForm_run> makeWindow(platform::KeyPositionSource* keyPositions = nullptr)
    {
        ShowServices services;
        services.keyboardLock = [this](TForm_run&) {
            return std::make_unique<FakeLock>(locks_, unlocks_, desktop_.keyboardHeld);
        };
        services.pointer = std::make_unique<FakePointer>(desktop_);
        services.screenSaver = std::make_unique<FakeSaver>(desktop_);
        services.desktopEscape = std::make_unique<FakeEscape>(desktop_);
        services.keyPositions = keyPositions;
        services.covers = std::make_unique<TScreenCovers>();
        return std::make_unique<TForm_run>(options_, std::make_unique<TMediaPlayer>(output_), std::move(services),
                                           kSurface);
    }

    QString picture(const QString& name, const QImage& img)
    {
        const QString path = dir_.filePath(name);
        if (!img.save(path))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QString solid(const QString& name, int w, int h, QColor c)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(c);
        return picture(name, img);
    }

    QString sound(const QString& name, double seconds, double hz = 440)
    {
        const QString path = dir_.filePath(name);
        if (!testfiles::writeWav(path, seconds, hz))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QFont captionFont() const
    {
        QFont f(options_.FontDialog_captions.name);
        f.setPixelSize(-options_.FontDialog_captions.height);
        return f;
    }

    static int cursorShape()
    {
        const QCursor* c = QGuiApplication::overrideCursor();
        return c ? int(c->shape()) : -1;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        TApplication::setErrorReporter(recordReport);
    }

    void init()
    {
        g_reports.clear();
        locks_ = unlocks_ = 0;
        desktop_ = DesktopState();
        options_ = Options();
        options_.ColorDialog_background = 0x00402010;
        options_.FontDialog_captions.name = QStringLiteral("DejaVu Sans");
        options_.FontDialog_captions.height = -16; // 12 points
        options_.FontDialog_captions.color = 0x000000FF;
        options_.cb_keyboard_splash = false;
        options_.rg_captions_when = 1;
    }

    void cleanup()
    {
        QVERIFY(g_reports.isEmpty());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    // --- ShowSlide ---------------------------------------------------------

    void stepsWrapAroundAndDrawThatSlide()
    {
        const QColor colours[10] = {Qt::red, Qt::green, Qt::blue, Qt::cyan, Qt::magenta,
                                    Qt::yellow, Qt::white, Qt::gray, Qt::darkRed, Qt::darkGreen};
        std::vector<SlideDraft> ten;
        for (int i = 0; i < 10; ++i)
            ten.push_back({solid(QString("wrap%1.png").arg(i), 8, 6, colours[i]), {}, "s"});
        treclist three = makeList({ten[0], ten[1], ten[2]});
        auto w = makeWindow();
        w->slides = &three;
        auto shown = [&] { return QColor(w->surface().pixel(100, 75)); };

        w->ShowSlide(0); // a fresh window opens on the last slide
        QCOMPARE(w->slide_index, 2);
        QCOMPARE(shown(), colours[2]);
        w->ShowSlide(1);
        QCOMPARE(w->slide_index, 0);
        QCOMPARE(shown(), colours[0]);
        w->ShowSlide(-1);
        QCOMPARE(w->slide_index, 2);
        QCOMPARE(shown(), colours[2]);

        // A position past the end of a rebuilt, shorter list starts it over.
        treclist all = makeList(ten);
        w->slides = &all;
        for (int i = 0; i < 5; ++i)
            w->ShowSlide(1);
        QCOMPARE(w->slide_index, 7);
        treclist five = makeList({ten[0], ten[1], ten[2], ten[3], ten[4]});
        w->slides = &five;
        w->ShowSlide(0);
        QCOMPARE(w->slide_index, 0);
        QCOMPARE(shown(), colours[0]);
    }

    // Keys come faster than pictures decode: the show keeps slides ready ahead of it in the
    // direction it moves, and one that ends keeps none.
    void theShowPreparesAheadTheWayItMoves()
    {
        std::vector<SlideDraft> twenty;
        for (int i = 0; i < 20; ++i)
            twenty.push_back({solid(QString("ahead%1.png").arg(i), 8, 6, QColor(10 * i, 100, 200)), {}, "s"});
        treclist list = makeList(twenty);
        auto w = makeWindow();
        w->slides = &list;
        PicturePrefetcher& cache = w->prefetcher();
        const auto quickSteps = [&](int delta, int steps) {
            const std::uint64_t before = cache.hits();
            for (int i = 0; i < steps; ++i)
                w->ShowSlide(delta);
            return int(cache.hits() - before);
        };

        w->ShowSlide(0);  // the last slide, 19
        cache.WaitIdle();
        QCOMPARE(quickSteps(1, TForm_run::kLookAhead), TForm_run::kLookAhead);  // 0 to 5, over the end
        QCOMPARE(w->slide_index, TForm_run::kLookAhead - 1);
        cache.WaitIdle();
        QCOMPARE(quickSteps(0, 1), 1);   // Backspace: the same slide, and still forward
        cache.WaitIdle();
        QCOMPARE(quickSteps(1, TForm_run::kLookAhead), TForm_run::kLookAhead);

        // Backward, to slides not shown yet.
        w->ShowSlide(-1);
        for (int i = 0; i < TForm_run::kLookAhead + 2; ++i)
            w->ShowSlide(-1);
        cache.WaitIdle();
        const int from = w->slide_index;
        QCOMPARE(quickSteps(-1, TForm_run::kLookAhead), TForm_run::kLookAhead);
        QCOMPARE(w->slide_index, (from - TForm_run::kLookAhead + 20) % 20);

        QTimer::singleShot(0, w.get(), [&] { typeKeys(w.get(), kQuit); });
        w->RunShow(list);
        cache.WaitIdle();
        QCOMPARE(cache.cachedBytes(), std::size_t(0));
    }

    void background_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("images");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<bool>("autoBackground");
        QTest::addColumn<QColor>("edge");   // expected at the surface's corners and left edge
        QTest::addColumn<QColor>("centre"); // expected at (100, 75)

        const QColor bg = QColor::fromRgb(kBackground), corner = Qt::magenta, body = Qt::green;
        QTest::newRow("setting, fitted") << "picture" << true << true << false << bg << body;
        QTest::newRow("auto, fitted") << "picture" << true << true << true << corner << body;
        QTest::newRow("auto, natural size") << "picture" << true << false << true << corner << body;
        QTest::newRow("auto, images off") << "picture" << false << true << true << bg << bg;
        QTest::newRow("auto, no such file") << "missing" << true << true << true << bg << bg;
        QTest::newRow("auto, no picture") << "none" << true << true << true << bg << bg;
        QTest::newRow("auto, corrupt file") << "corrupt" << true << true << true << bg << bg;
        QTest::newRow("auto, truncated file") << "truncated" << true << true << true << bg << bg;
    }

    void background()
    {
        QFETCH(QString, kind);
        QFETCH(bool, images);
        QFETCH(bool, stretch);
        QFETCH(bool, autoBackground);
        QFETCH(QColor, edge);
        QFETCH(QColor, centre);

        // Green with a magenta top-left pixel; 50x50 fits as (25, 0, 175, 150).
        QImage img(50, 50, QImage::Format_RGB32);
        img.fill(Qt::green);
        img.setPixel(0, 0, qRgb(255, 0, 255));
        QString path;
        if (kind == "picture")
            path = picture("bg.png", img);
        else if (kind == "missing")
            path = dir_.filePath("nowhere.png");
        else if (kind == "corrupt") {
            path = dir_.filePath("corrupt.png");
            QVERIFY(testfiles::writeBytes(path, "\x89PNG\r\n\x1a\n this is no picture"));
        } else if (kind == "truncated") {
            QImage big(300, 300, QImage::Format_RGB32);
            big.fill(Qt::magenta);
            QByteArray bytes;
            {
                QBuffer buf(&bytes);
                buf.open(QIODevice::WriteOnly);
                big.save(&buf, "JPG", 90);
            }
            path = dir_.filePath("truncated.jpg");
            QVERIFY(testfiles::writeBytes(path, bytes.left(bytes.size() / 3)));
        }
        options_.cb_images_enable = images;
        options_.cb_images_stretch = stretch;
        options_.cb_background_auto = autoBackground;
        // A slide filled edge to edge comes first, so nothing of the slide under
        // test can pass for left over.
        treclist list = makeList({{solid("before.png", 4, 3, Qt::yellow), {}, "w"}, {path, {}, "x"}});
        auto w = makeWindow();
        w->slides = &list;
        w->ShowSlide(1);
        QCOMPARE(QColor(w->surface().pixel(0, 0)), images ? QColor(Qt::yellow) : QColor::fromRgb(kBackground));
        w->ShowSlide(1);
        QCOMPARE(w->slide_index, 1);
        const QImage& s = w->surface();
        for (QPoint p : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 149), QPoint(199, 149), QPoint(0, 75)})
            QCOMPARE(QColor(s.pixel(p)), edge);
        QCOMPARE(QColor(s.pixel(100, 75)), centre);
    }

    void captionPlacement_data()
    {
        QTest::addColumn<QString>("kind"); // picture, none, corrupt
        QTest::addColumn<bool>("images");
        QTest::addColumn<int>("when");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("centred"); // else 20 pixels above the bottom

        QTest::newRow("images off, when no image") << "picture" << false << 2 << "HAT" << true;
        QTest::newRow("no picture, when no image") << "none" << true << 2 << "HAT" << true;
        QTest::newRow("no picture, always") << "none" << true << 0 << "MOTH" << true;
        QTest::newRow("corrupt picture, when no image") << "corrupt" << true << 2 << "HAT" << true;
        QTest::newRow("picture, always") << "picture" << true << 0 << "HAT" << false;
        QTest::newRow("picture, always, descenders") << "picture" << true << 0 << "jQy" << false;
    }

    void captionPlacement()
    {
        QFETCH(QString, kind);
        QFETCH(bool, images);
        QFETCH(int, when);
        QFETCH(QString, caption);
        QFETCH(bool, centred);

        QString path;
        if (kind == "picture")
            path = solid("cap.png", 40, 30, QColor::fromRgb(kPicture)); // covers the whole surface
        else if (kind == "corrupt") {
            path = dir_.filePath("cap-corrupt.jpg");
            QVERIFY(testfiles::writeBytes(path, "\xff\xd8\xff garbage"));
        }
        options_.cb_images_enable = images;
        options_.cb_background_auto = true;
        options_.rg_captions_when = when;
        treclist list = makeList({{path, {}, caption.toStdString()}});
        auto w = makeWindow();
        w->slides = &list;
        w->ShowSlide(0);

        const Ink ink = findInk(w->surface(), isCaptionRed);
        QVERIFY(ink.count > 10);
        const QFontMetrics fm(captionFont());
        const QRect tight = fm.tightBoundingRect(caption);
        // Back from the ink to the line the text was laid out on.
        const int baseline = ink.box.bottom() - tight.bottom();
        const int lineTop = baseline - fm.ascent();
        const int lineBottom = baseline + fm.descent();
        const int left = ink.box.left() - tight.left();
        const int H = kSurface.height(), W = kSurface.width();
        if (centred)
            QVERIFY2(std::abs(lineTop + lineBottom - H) <= 2, qPrintable(QString("line %1..%2").arg(lineTop).arg(lineBottom)));
        else
            QVERIFY2(std::abs(lineBottom - (H - 20)) <= 1, qPrintable(QString("line bottom %1").arg(lineBottom)));
        const int advance = fm.horizontalAdvance(caption);
        QVERIFY2(std::abs(2 * left + advance - W) <= 3, qPrintable(QString("left %1, width %2").arg(left).arg(advance)));
        // Automatic background never survives a picture that failed.
        if (kind != "picture")
            QCOMPARE(w->surface().pixel(0, 0), kBackground);
    }

    void clickAndTapStepOnlyWhenAsked_data()
    {
        QTest::addColumn<bool>("on");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }

    void clickAndTapStepOnlyWhenAsked()
    {
        QFETCH(bool, on);
        options_.cb_advance_click = on;
        treclist list = makeList({{{}, {}, "A"}, {{}, {}, "B"}, {{}, {}, "C"}, {{}, {}, "D"}, {{}, {}, "E"}});
        auto w = makeWindow();
        w->slides = &list;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->ShowSlide(0);
        const int first = w->slide_index;
        // A click, and at once another: the release between re-arms, as a key's does.
        QTest::mouseClick(w->Image_main, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(w->slide_index, on ? (first + 1) % 5 : first);
        QTest::mouseClick(w->Image_main, Qt::RightButton, {}, QPoint(40, 20));
        QCOMPARE(w->slide_index, on ? (first + 2) % 5 : first);
        // A press held: the next press within two seconds does nothing.
        QTest::mousePress(w->Image_main, Qt::LeftButton, {}, QPoint(20, 20));
        QTest::mousePress(w->Image_main, Qt::MiddleButton, {}, QPoint(20, 20));
        QCOMPARE(w->slide_index, on ? (first + 3) % 5 : first);
        QTest::mouseRelease(w->Image_main, Qt::MiddleButton, {}, QPoint(20, 20));
        QTest::mouseRelease(w->Image_main, Qt::LeftButton, {}, QPoint(20, 20));
        // A tap on a touch screen.
        QPointingDevice* screen = QTest::createTouchDevice();
        QTest::touchEvent(w->windowHandle(), screen).press(0, QPoint(30, 30));
        QTest::touchEvent(w->windowHandle(), screen).release(0, QPoint(30, 30));
        QCoreApplication::processEvents();
        QCOMPARE(w->slide_index, on ? (first + 4) % 5 : first);
        QVERIFY(w->isVisible());
    }

    // No pointer or touch sequence is a way out of a show: hundreds of presses, double clicks and
    // taps later it still runs, and Q U I T still ends it.
    void noPointerOrTouchEndsTheShow()
    {
        options_.cb_advance_click = true;
        treclist list = makeList({{{}, {}, "A"}, {{}, {}, "B"}});
        auto w = makeWindow();
        w->slides = &list;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->ShowSlide(0);
        QPointingDevice* screen = QTest::createTouchDevice();
        const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton, Qt::BackButton,
                                           Qt::ForwardButton};
        std::uint32_t seed = 20261209;
        const auto next = [&seed](std::uint32_t n) {
            seed = seed * 1664525u + 1013904223u;
            return (seed >> 8) % n;
        };
        for (int i = 0; i < 300; ++i) {
            const QPoint at(int(next(200)), int(next(100)));
            const Qt::MouseButton button = buttons[next(5)];
            switch (next(4)) {
            case 0:
                QTest::mouseClick(w->Image_main, button, {}, at);
                break;
            case 1:
                // As a mouse sends it: the first click, then the second press as a double click.
                QTest::mouseClick(w->Image_main, button, {}, at);
                QTest::mouseDClick(w->Image_main, button, {}, at);
                QTest::mouseRelease(w->Image_main, button, {}, at);
                break;
            case 2:
                QTest::touchEvent(w->windowHandle(), screen).press(0, at).press(1, at + QPoint(10, 0));
                QTest::touchEvent(w->windowHandle(), screen).move(0, at + QPoint(50, 5)).stationary(1);
                QTest::touchEvent(w->windowHandle(), screen).release(0, at).release(1, at);
                break;
            default:
                QTest::mousePress(w->Image_main, button, Qt::ControlModifier | Qt::AltModifier, at);
                QTest::mouseRelease(w->Image_main, button, Qt::ControlModifier | Qt::AltModifier, at);
                break;
            }
            QCoreApplication::processEvents();
            QVERIFY2(w->isVisible() && w->result() == 0, qPrintable(QString("ended by pointer event %1").arg(i)));
        }
        QCOMPARE(w->result(), 0);
        for (int key : {'Q', 'U', 'I', 'T'}) {
            w->FormKeyDown(key);
            w->FormKeyUp();
        }
        QCOMPARE(w->result(), int(QDialog::Accepted));
    }

    void captionWiderThanTheSurfaceIsClippedBothSides()
    {
        options_.rg_captions_when = 0;
        treclist list = makeList({{{}, {}, std::string(40, 'W')}});
        auto w = makeWindow();
        w->slides = &list;
        w->ShowSlide(0);
        const Ink ink = findInk(w->surface(), isCaptionRed);
        QVERIFY(ink.box.left() <= 2);
        QVERIFY(ink.box.right() >= kSurface.width() - 3);
    }

    void captionsAndQuitLetters_data()
    {
        QTest::addColumn<int>("when");
        QTest::addColumn<bool>("withPicture");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("always, picture") << 0 << true << true;
        QTest::newRow("always, no picture") << 0 << false << true;
        QTest::newRow("never, picture") << 1 << true << false;
        QTest::newRow("never, no picture") << 1 << false << false;
        QTest::newRow("when no image, picture") << 2 << true << false;
        QTest::newRow("when no image, no picture") << 2 << false << true;
    }

    void captionsAndQuitLetters()
    {
        QFETCH(int, when);
        QFETCH(bool, withPicture);
        QFETCH(bool, drawn);
        options_.rg_captions_when = when;
        treclist list = makeList({{withPicture ? solid("q.png", 40, 30, QColor::fromRgb(kPicture)) : QString(), {}, "CAT"}});
        auto w = makeWindow();
        w->slides = &list;
        w->ShowSlide(0);
        for (int key : {'Q', 'U', 'I'}) {
            w->FormKeyDown(key);
            w->FormKeyUp();
        }
        QCOMPARE(w->quit_letters(), std::string("qui"));
        w->ShowSlide(0);

        const Ink letters = findInk(w->surface(), isQuitYellow);
        const Ink caption = findInk(w->surface(), isCaptionRed);
        if (drawn) {
            QVERIFY(letters.count > 5);
            QVERIFY2(letters.box.left() <= 3 && letters.box.top() >= 10 && letters.box.bottom() < 40,
                     qPrintable(QString("letters at %1,%2").arg(letters.box.left()).arg(letters.box.top())));
            QVERIFY(caption.count > 10);
        } else {
            // Nothing but the background or the picture anywhere.
            const QRgb only = withPicture ? kPicture : kBackground;
            const Ink other = findInk(w->surface(), [&](QRgb c) { return (c | 0xff000000) != only; });
            QCOMPARE(other.count, 0);
        }
    }

    void pictureGeometry_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QList<QPoint>>("points");
        QTest::addColumn<QList<QColor>>("colours");
        const QColor bg = QColor::fromRgb(kBackground), R = Qt::red, G = Qt::green, B = Qt::blue, Wh = Qt::white;

        QImage wide(400, 100, QImage::Format_RGB32);
        wide.fill(Qt::green);
        // 400x100 fits as (0, 50, 200, 100).
        QTest::newRow("fitted, wider")
            << wide << true << QList<QPoint>{{0, 49}, {0, 50}, {199, 99}, {100, 100}, {100, 75}}
            << QList<QColor>{bg, G, G, bg, G};
        QImage tall(50, 100, QImage::Format_RGB32);
        tall.fill(Qt::green);
        // sw = 75, L = Round(62.5) = 62 (half to even): columns 62..136.
        QTest::newRow("fitted, taller, half to even")
            << tall << true << QList<QPoint>{{61, 75}, {62, 75}, {136, 75}, {137, 75}, {62, 0}, {62, 149}}
            << QList<QColor>{bg, G, G, bg, G, G};
        QTest::newRow("fitted, same ratio, enlarged")
            << quadrants(40, 30, 20, 15) << true
            << QList<QPoint>{{0, 0}, {99, 74}, {100, 0}, {199, 0}, {0, 75}, {0, 149}, {100, 75}, {199, 149}}
            << QList<QColor>{R, R, G, G, B, B, Wh, Wh};
        QTest::newRow("fitted, reduced, quadrants")
            << quadrants(400, 300, 200, 150) << true
            << QList<QPoint>{{99, 74}, {100, 74}, {99, 75}, {100, 75}} << QList<QColor>{R, G, B, Wh};
        // 301x251 starts at (-50, -50): the division truncates toward zero.
        QTest::newRow("natural, larger, clipped")
            << quadrants(301, 251, 150, 125) << false
            << QList<QPoint>{{0, 0}, {199, 0}, {0, 149}, {199, 149}, {99, 74}, {100, 74}, {99, 75}, {100, 75}}
            << QList<QColor>{R, G, B, Wh, R, G, B, Wh};
        QTest::newRow("natural, smaller, centred")
            << quadrants(50, 40, 25, 20) << false
            << QList<QPoint>{{74, 55}, {75, 55}, {124, 55}, {75, 94}, {124, 94}, {125, 95}, {75, 54}}
            << QList<QColor>{bg, R, G, B, Wh, bg, bg};
    }

    void pictureGeometry()
    {
        QFETCH(QImage, image);
        QFETCH(bool, stretch);
        QFETCH(QList<QPoint>, points);
        QFETCH(QList<QColor>, colours);
        options_.cb_images_stretch = stretch;
        treclist list = makeList({{picture(QString("geo-%1.png").arg(QTest::currentDataTag()).replace(' ', '_').replace(',', '_'), image), {}, "g"}});
        auto w = makeWindow();
        w->slides = &list;
        w->ShowSlide(0);
        for (int i = 0; i < points.size(); ++i)
            QVERIFY2(QColor(w->surface().pixel(points[i])) == colours[i],
                     qPrintable(QString("at %1,%2: %3").arg(points[i].x()).arg(points[i].y())
                                    .arg(QColor(w->surface().pixel(points[i])).name())));
    }

    // --- Sound ---------------------------------------------------------------

    void redrawingASlideRestartsItsSound()
    {
        treclist list = makeList({{{}, sound("again.wav", 5.0, 523), "a"}});
        auto w = makeWindow();
        w->slides = &list;
        w->ShowSlide(0);
        QVERIFY(w->MediaPlayer_main().isPlaying());
        const std::vector<float> start = output_.Pump(512);
        output_.Pump(3001);
        QVERIFY(output_.Pump(512) != start);
        w->ShowSlide(0);
        QCOMPARE(output_.VoiceCount(), std::size_t(1));
        QCOMPARE(output_.Pump(512), start);
    }

    void aSlideWithoutSoundLeavesTheLastOnePlaying()
    {
        const QString longSound = sound("long.wav", 30.0);
        treclist list = makeList({{{}, longSound, "a"}, {{}, {}, "b"}, {{}, dir_.filePath("missing.wav"), "c"}});
        auto w = makeWindow();
        w->slides = &list;
        w->ShowSlide(1); // from -1 to 0
        QCOMPARE(w->slide_index, 0);
        output_.Pump(2000);
        w->ShowSlide(1);
        QVERIFY(w->MediaPlayer_main().isPlaying());
        QCOMPARE(QString::fromStdString(w->MediaPlayer_main().FileName), longSound);
        QCOMPARE(output_.VoiceCount(), std::size_t(1));
        // A sound that cannot be opened is passed over in silence.
        w->ShowSlide(1);
        QVERIFY(!w->MediaPlayer_main().isOpen());
        QVERIFY(g_reports.isEmpty());
    }

    // With captions said, a slide without a sound that plays says its caption; one with a sound
    // plays the sound and says nothing.
    void spokenCaptionsForSlidesWithoutASound()
    {
        options_.cb_speak_captions = true;
        const QString tone = sound("tone.wav", 5.0, 523);
        treclist list = makeList({{{}, {}, "grandma"}, {{}, tone, "dog"}, {{}, dir_.filePath("missing.wav"), "cat"}});
        auto w = makeWindow();
        w->slides = &list;
        const auto loudest = [this](std::size_t frames) {
            float peak = 0;
            for (float v : output_.Pump(frames))
                peak = std::max(peak, std::abs(v));
            return peak;
        };
        w->ShowSlide(1); // grandma
        QVERIFY(w->MediaPlayer_main().isPlaying());
        QCOMPARE(output_.VoiceCount(), std::size_t(1));
        QVERIFY2(loudest(22050) > 0.05f, "the caption was not said");
        w->ShowSlide(1); // dog, with its own sound
        QCOMPARE(QString::fromStdString(w->MediaPlayer_main().FileName), tone);
        QCOMPARE(output_.VoiceCount(), std::size_t(1));
        w->ShowSlide(1); // cat, whose sound is missing
        QVERIFY(w->MediaPlayer_main().isPlaying());
        QCOMPARE(output_.VoiceCount(), std::size_t(1));
        QVERIFY2(loudest(22050) > 0.05f, "the caption of a slide whose sound is missing was not said");
        QVERIFY(g_reports.isEmpty());
    }

    // Sounds off, or captions not to be said: a slide without a sound stays silent, and sounds
    // off leave the player alone even with captions to be said.
    void soundsOffLeaveThePlayerAlone_data()
    {
        QTest::addColumn<bool>("sounds");
        QTest::addColumn<bool>("speak");
        QTest::newRow("sounds off") << false << false;
        QTest::newRow("sounds off, captions said") << false << true;
        QTest::newRow("captions not said") << true << false;
    }

    void soundsOffLeaveThePlayerAlone()
    {
        QFETCH(bool, sounds);
        QFETCH(bool, speak);
        options_.cb_sounds_enable = sounds;
        options_.cb_speak_captions = speak;
        treclist list = makeList({{{}, sounds ? QString() : sound("off.wav", 1.0), "grandma"}});
        auto w = makeWindow();
        w->slides = &list;
        w->ShowSlide(0);
        QVERIFY(w->MediaPlayer_main().FileName.empty());
        QVERIFY(!w->MediaPlayer_main().isOpen());
        QCOMPARE(output_.VoiceCount(), std::size_t(0));
    }

    // --- Keys through the widget -------------------------------------------

    void heldKeysAreThrottled_data()
    {
        // Events at fake times; after each: the slide index and the quit letters.
        QTest::addColumn<QList<int>>("times");    // ms
        QTest::addColumn<QList<int>>("actions");  // 0 press, 1 release, 2 auto-repeat release
        QTest::addColumn<QList<Qt::Key>>("keys");
        QTest::addColumn<QList<int>>("indexes");
        QTest::addColumn<QString>("letters");

        // Start: slide 2 of 3 shown.
        QTest::newRow("held, then released and pressed again")
            << QList<int>{0, 1000, 1500, 1600, 2000, 2050, 2100}
            << QList<int>{0, 0, 2, 0, 0, 1, 0}
            << QList<Qt::Key>{Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown,
                              Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown}
            << QList<int>{0, 0, 0, 0, 1, 1, 2} << "";
        QTest::newRow("second key while the first is held")
            << QList<int>{0, 500, 600, 700, 710}
            << QList<int>{0, 0, 1, 1, 0}
            << QList<Qt::Key>{Qt::Key_PageUp, Qt::Key_Q, Qt::Key_Q, Qt::Key_PageUp, Qt::Key_Q}
            << QList<int>{1, 1, 1, 1, 2} << "q";
        QTest::newRow("quick taps all count")
            << QList<int>{0, 30, 60, 90, 120, 150}
            << QList<int>{0, 1, 0, 1, 0, 1}
            << QList<Qt::Key>{Qt::Key_Space, Qt::Key_Space, Qt::Key_Backspace, Qt::Key_Backspace,
                              Qt::Key_Space, Qt::Key_Space}
            << QList<int>{0, 0, 0, 0, 1, 1} << "";
    }

    void heldKeysAreThrottled()
    {
        QFETCH(QList<int>, times);
        QFETCH(QList<int>, actions);
        QFETCH(QList<Qt::Key>, keys);
        QFETCH(QList<int>, indexes);
        QFETCH(QString, letters);

        treclist list = makeList({{{}, {}, "a"}, {{}, {}, "b"}, {{}, {}, "c"}});
        auto w = makeWindow();
        const auto t0 = ShowKeyHandler::Clock::now() + std::chrono::hours(1);
        auto t = t0;
        w->now = [&] { return t; };
        w->slides = &list;
        w->ShowSlide(0);
        for (int i = 0; i < times.size(); ++i) {
            t = t0 + std::chrono::milliseconds(times[i]);
            if (actions[i] == 0) {
                QTest::keyPress(w.get(), keys[i]);
            } else {
                QKeyEvent release(QEvent::KeyRelease, keys[i], Qt::NoModifier, QString(), actions[i] == 2);
                QApplication::sendEvent(w.get(), &release);
            }
            QVERIFY2(w->slide_index == indexes[i], qPrintable(QString("event %1: slide %2").arg(i).arg(w->slide_index)));
        }
        QCOMPARE(QString::fromStdString(w->quit_letters()), letters);
    }

    // --- Whole shows -----------------------------------------------------------

    void quitSequenceEndsTheShow_data()
    {
        QTest::addColumn<bool>("lock");
        QTest::addColumn<QList<Qt::Key>>("before"); // typed first; the show must still run
        QTest::newRow("lock, QUIT") << true << QList<Qt::Key>{};
        QTest::newRow("no lock, QUIT") << false << QList<Qt::Key>{};
        QTest::newRow("Q U space I T goes on") << true << QList<Qt::Key>{Qt::Key_Q, Qt::Key_U, Qt::Key_Space, Qt::Key_I, Qt::Key_T};
        QTest::newRow("Q U X I T goes on") << true << QList<Qt::Key>{Qt::Key_Q, Qt::Key_U, Qt::Key_X, Qt::Key_I, Qt::Key_T};
    }

    void quitSequenceEndsTheShow()
    {
        QFETCH(bool, lock);
        QFETCH(QList<Qt::Key>, before);
        options_.CheckBox_keyboark_lock = lock;
        options_.cb_advance_auto = true;
        options_.le_advance_auto_interval = QStringLiteral("100000");
        const QString s = sound("show.wav", 30.0);
        treclist list = makeList({{{}, s, "a"}, {{}, s, "b"}, {{}, s, "c"}});
        desktop_.busyGrabs = 2; // another program lets go of the pointer a moment later
        auto w = makeWindow();
        Watchdog dog;
        bool visible = false, stillRunning = false, playing = false, timerOn = false;
        bool pointerDuring = false, saverDuring = false;
        int locksDuring = -1, unlocksDuring = -1, cursorDuring = -2;
        QTimer::singleShot(0, w.get(), [&] {
            // A locked show keeps asking for the pointer until it gets it;
            // an unlocked one never asks.
            if (lock)
                (void)QTest::qWaitFor([&] { return desktop_.pointerHeld; }, 5000);
            pointerDuring = desktop_.pointerHeld;
            saverDuring = desktop_.saverHeld;
            visible = w->isVisible();
            locksDuring = locks_;
            unlocksDuring = unlocks_;
            cursorDuring = cursorShape();
            timerOn = w->Timer_main->isActive();
            playing = w->MediaPlayer_main().isPlaying();
            typeKeys(w.get(), before);
            stillRunning = w->isVisible();
            typeKeys(w.get(), kQuit);
        });
        w->RunShow(list);
        QVERIFY(!dog.fired);
        QVERIFY(visible);
        QVERIFY(stillRunning);
        QVERIFY(playing);
        QVERIFY(timerOn);
        QCOMPARE(locksDuring, lock ? 1 : 0);
        QCOMPARE(unlocksDuring, 0);
        QCOMPARE(cursorDuring, int(Qt::BlankCursor));
        QCOMPARE(pointerDuring, lock);
        QCOMPARE(desktop_.grabs, lock ? 3 : 0);
        QVERIFY(saverDuring);
        QVERIFY(!desktop_.pointerHeld);
        QVERIFY(!desktop_.saverHeld);
        // Every key stepped the show, the T that ended it included.
        QCOMPARE(w->slide_index, (2 + int(before.size()) + 4) % 3);
        QVERIFY(!w->isVisible());
        QVERIFY(!w->Timer_main->isActive());
        QVERIFY(!w->MediaPlayer_main().isOpen());
        QCOMPARE(output_.VoiceCount(), std::size_t(0));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QCOMPARE(locks_, lock ? 1 : 0);
        QCOMPARE(unlocks_, lock ? 1 : 0);

        // The next show opens where this one ended.
        const int ended = w->slide_index;
        int opened = -1;
        QTimer::singleShot(0, w.get(), [&] {
            opened = w->slide_index;
            typeKeys(w.get(), kQuit);
        });
        w->RunShow(list);
        QCOMPARE(opened, ended);
        QCOMPARE(locks_, lock ? 2 : 0);
        QCOMPARE(unlocks_, lock ? 2 : 0);
    }

    void keysGoByTheirPlacesReadAgainEachShow()
    {
        treclist list = makeList({{{}, {}, "a"}, {{}, {}, "b"}});
        PlacesOnly places;
        auto w = makeWindow(&places);
        Watchdog dog;
        for (int show = 1; show <= 2; ++show) {
            QTimer::singleShot(0, w.get(), [&] { typeQuitOnRussian(w.get()); });
            w->RunShow(list);
            QVERIFY(!dog.fired);
            QCOMPARE(places.reloads, show);
        }
        QCOMPARE(places.reloadsAtKeys, (std::vector<int>{1, 1, 1, 1, 2, 2, 2, 2}));
    }

    void showThatCannotStart_data()
    {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<int>("slides");
        QTest::addColumn<QString>("error");
        QTest::newRow("interval abc") << "abc" << 2 << "'abc' is not a valid integer value";
        QTest::newRow("interval 12x") << "12x" << 2 << "'12x' is not a valid integer value";
        QTest::newRow("interval empty") << "" << 2 << "'' is not a valid integer value";
        QTest::newRow("empty list") << "5000" << 0 << "";
    }

    void showThatCannotStart()
    {
        QFETCH(QString, interval);
        QFETCH(int, slides);
        QFETCH(QString, error);
        options_.le_advance_auto_interval = interval;
        options_.cb_advance_auto = false; // the interval is read regardless
        options_.cb_keyboard_splash = true;
        std::vector<SlideDraft> drafts(std::size_t(slides), SlideDraft{{}, {}, "n"});
        treclist list = makeList(drafts);
        auto w = makeWindow();
        TForm_instructions splash;
        w->setInstructions(&splash);
        ShowCounter counter;
        w->installEventFilter(&counter);
        Watchdog dog;
        bool splashUp = false;
        QTimer::singleShot(0, &splash, [&] {
            splashUp = splash.isVisible();
            QTest::keyClick(&splash, Qt::Key_A);
        });
        QString message;
        try {
            w->RunShow(list);
        } catch (const EConvertError& e) {
            message = QString::fromUtf8(e.what());
        }
        QVERIFY(!dog.fired);
        QVERIFY(splashUp); // the start splash comes first
        QCOMPARE(message, error);
        QCOMPARE(counter.shows, 0);
        QCOMPARE(desktop_.holds, 0);
        QCOMPARE(desktop_.grabs, 0);
        QCOMPARE(w->slide_index, -1);
        QVERIFY(!w->Timer_main->isActive());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QCOMPARE(locks_, 1);
        QCOMPARE(unlocks_, 1);
    }

    void autoAdvance_data()
    {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("ticks");
        QTest::newRow("50") << "50" << true << true;
        QTest::newRow(" +$32 (hex 50)") << " +$32" << true << true;
        QTest::newRow("50, auto-advance off") << "50" << false << false;
        QTest::newRow("0") << "0" << true << false;
        QTest::newRow("-50") << "-50" << true << false;
    }

    void autoAdvance()
    {
        QFETCH(QString, interval);
        QFETCH(bool, enabled);
        QFETCH(bool, ticks);
        options_.le_advance_auto_interval = interval;
        options_.cb_advance_auto = enabled;
        treclist list = makeList({{{}, {}, "a"}, {{}, {}, "b"}, {{}, {}, "c"}});
        auto w = makeWindow();
        Watchdog dog;
        bool active = false;
        int steps = -1, index = -1;
        QTimer::singleShot(0, w.get(), [&] {
            active = w->Timer_main->isActive();
            if (active) {
                QSignalSpy spy(w->Timer_main, &QTimer::timeout);
                QTRY_VERIFY(spy.count() >= 3);
                steps = int(spy.count());
                index = w->slide_index;
            }
            typeKeys(w.get(), kQuit);
        });
        w->RunShow(list);
        QVERIFY(!dog.fired);
        QCOMPARE(active, ticks);
        if (ticks)
            QCOMPARE(index, (2 + steps) % 3);
        QVERIFY(!w->Timer_main->isActive());
    }

    void theWindowManagersCloseIsRefused()
    {
        treclist list = makeList({{{}, {}, "a"}});
        auto w = makeWindow();
        Watchdog dog;
        bool closed = true, visible = false;
        QTimer::singleShot(0, w.get(), [&] {
            closed = w->close();
            visible = w->isVisible();
            typeKeys(w.get(), kQuit);
        });
        w->RunShow(list);
        QVERIFY(!dog.fired);
        QVERIFY(!closed);
        QVERIFY(visible);
    }

    // A show that asked for the lock and never had the keyboard held says
    // why afterwards; one held at once or late (after the desktop asked the
    // user), or one without the lock, says nothing. The desktop's own escape
    // is off for a locked show only, and given back after it.
    void aShowNeverLockedSaysWhy_data()
    {
        QTest::addColumn<bool>("lock");
        QTest::addColumn<int>("heldFromKey"); // -1: never
        QTest::addColumn<bool>("told");
        QTest::newRow("held at once") << true << 0 << false;
        QTest::newRow("held late") << true << 3 << false;
        QTest::newRow("never held") << true << -1 << true;
        QTest::newRow("lock off") << false << -1 << false;
    }

    void aShowNeverLockedSaysWhy()
    {
        QFETCH(bool, lock);
        QFETCH(int, heldFromKey);
        QFETCH(bool, told);
        options_.CheckBox_keyboark_lock = lock;
        treclist list = makeList({{{}, {}, "a"}, {{}, {}, "b"}});
        auto w = makeWindow();
        Watchdog dog;
        bool escapeDuringShow = false;
        QTimer::singleShot(0, w.get(), [&] {
            escapeDuringShow = desktop_.escapeHeld;
            for (int i = 0; i < 5; ++i) {
                if (i == heldFromKey)
                    desktop_.keyboardHeld = true;
                QTest::keyClick(w.get(), Qt::Key_Space);
            }
            typeKeys(w.get(), kQuit);
        });
        w->RunShow(list);
        QVERIFY(!dog.fired);
        QCOMPARE(w->unlockedShowProblem(), told ? std::string("the desktop said no") : std::string());
        QCOMPARE(escapeDuringShow, lock);
        QCOMPARE(desktop_.escapeHolds, lock ? 1 : 0);
        QVERIFY(!desktop_.escapeHeld);

        // The next show starts afresh.
        desktop_.keyboardHeld = true;
        QTimer::singleShot(0, w.get(), [&] { typeKeys(w.get(), kQuit); });
        w->RunShow(list);
        QCOMPARE(w->unlockedShowProblem(), std::string());
    }

    // The show that ends on the T press never sees its release; a show
    // started at once after it still takes its first key.
    void aNewShowTakesItsFirstKeyAtOnce()
    {
        treclist list = makeList({{{}, {}, "a"}, {{}, {}, "b"}, {{}, {}, "c"}});
        auto w = makeWindow();
        auto t = ShowKeyHandler::Clock::now();
        w->now = [&] { return t; };
        Watchdog dog;
        QTimer::singleShot(0, w.get(), [&] {
            typeKeys(w.get(), {Qt::Key_Q, Qt::Key_U, Qt::Key_I});
            QTest::keyPress(w.get(), Qt::Key_T);
        });
        w->RunShow(list);
        QVERIFY(!dog.fired);
        t += std::chrono::milliseconds(300);
        int before = -1, after = -1;
        QTimer::singleShot(0, w.get(), [&] {
            before = w->slide_index;
            QTest::keyClick(w.get(), Qt::Key_PageDown);
            after = w->slide_index;
            typeKeys(w.get(), kQuit);
        });
        w->RunShow(list);
        QVERIFY(!dog.fired);
        QCOMPARE(after, (before + 1) % 3);
    }

    // How much of the surface shows the keyboard help's navy.
    static double helpShare(const QImage& surface)
    {
        int navy = 0;
        for (int y = 0; y < surface.height(); ++y)
            for (int x = 0; x < surface.width(); ++x)
                navy += surface.pixel(x, y) == qRgb(0, 0, 128);
        return double(navy) / (surface.width() * surface.height());
    }

    // Esc during a show draws the keyboard help into the show's own window,
    // which keeps the keyboard (a window of its own would take it, and with it
    // the compositor's shortcut inhibitor). The next key ends the help and
    // does nothing more; then the show steps on as Esc says.
    void escShowsTheHelpInTheShowThenStepsOn()
    {
        options_.cb_keyboard_splash = false;
        treclist list = makeList({{{}, {}, "a"}, {{}, {}, "b"}, {{}, {}, "c"}});
        auto w = makeWindow();
        TForm_instructions splash;
        w->setInstructions(&splash);
        Watchdog dog;
        bool helpWindowShown = true;
        double helpDrawn = 0;
        int cursorUnderHelp = -2, cursorAfter = -2, before = -1, during = -1, after = -1;
        QTimer::singleShot(0, w.get(), [&] {
            before = w->slide_index;
            QTimer::singleShot(0, w.get(), [&] {
                helpWindowShown = splash.isVisible();
                helpDrawn = helpShare(w->surface());
                cursorUnderHelp = cursorShape();
                QTest::keyClick(w.get(), Qt::Key_Shift);
                during = w->slide_index;
            });
            QTest::keyClick(w.get(), Qt::Key_Escape);
            after = w->slide_index;
            cursorAfter = cursorShape();
            typeKeys(w.get(), kQuit);
        });
        w->RunShow(list);
        QVERIFY(!dog.fired);
        QVERIFY(!helpWindowShown);
        QVERIFY2(helpDrawn > 0.5, qPrintable(QString::number(helpDrawn)));
        QCOMPARE(cursorUnderHelp, int(Qt::ArrowCursor));
        QCOMPARE(before, 2);
        QCOMPARE(during, 2); // the key that ended the help did not step
        QCOMPARE(after, 0);
        QCOMPARE(cursorAfter, int(Qt::BlankCursor));
        QCOMPARE(helpShare(w->surface()), 0.0);
    }

    // The help's own timer ends it as well, and automatic steps wait for it.
    void theHelpOverTheShowEndsAtItsTimer()
    {
        options_.cb_keyboard_splash = false;
        options_.cb_advance_auto = true;
        options_.le_advance_auto_interval = QStringLiteral("50");
        treclist list = makeList({{{}, {}, "a"}, {{}, {}, "b"}, {{}, {}, "c"}, {{}, {}, "d"}, {{}, {}, "e"}});
        auto w = makeWindow();
        TForm_instructions splash;
        splash.Timer_main->setInterval(300);
        w->setInstructions(&splash);
        Watchdog dog;
        int atHelp = -1, afterHelp = -1;
        bool ended = false;
        QTimer::singleShot(0, w.get(), [&] {
            QTimer::singleShot(0, w.get(), [&] { atHelp = w->slide_index; });
            QTest::keyClick(w.get(), Qt::Key_Escape);
            ended = true;
            afterHelp = w->slide_index;
            typeKeys(w.get(), kQuit);
        });
        w->RunShow(list);
        QVERIFY(!dog.fired);
        QVERIFY(ended);
        // Esc stepped once after the help; no automatic step ran under it.
        QCOMPARE(afterHelp, (atHelp + 1) % 5);
    }
};

QTEST_MAIN(TestRunWindow)
#include "test_run_window.moc"
