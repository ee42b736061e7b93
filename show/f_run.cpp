#include "show/f_run.h"

#include "errors/error_report.h"
#include "media/media_player.h"
#include "platform/key_position_source.h"
#include "system/memory_reuse.h"
#include "platform/screen_saver.h"
#include "settings/options.h"
#include "settings/tcolor.h"
#include "settings/text_forms.h"
#include "show/f_instructions.h"
#include "show/keyboard_lock.h"
#include "show/picture_prefetch.h"
#include "show/screen_covers.h"
#include "show/show_geometry.h"
#include "show/virtual_keys.h"
#include "slides/file_paths.h"
#include "slides/treclist.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <thread>

namespace {


// Point sizes are drawn as at 96 dots per inch.
int pointsToPixels(int points)
{
    return std::max(1, RoundHalfAway(points * 96.0 / 72.0));
}

// Shows `shape` as the pointer until the returned guard goes: the pointer the
// show hides is given back on every way out of a show.
[[nodiscard]] auto OverrideCursor(Qt::CursorShape shape)
{
    QGuiApplication::setOverrideCursor(QCursor(shape));
    return qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
}

class NullKeyboardLock final : public KeyboardLockControl {
public:
    void LockKeyboard() override {}
    void UnlockKeyboard() override {}
    std::string Problem() const override { return "no keyboard lock was given to the show"; }
};

} // namespace

ShowServices NullShowServices()
{
    ShowServices services;
    services.keyboardLock = [](TForm_run&) { return std::make_unique<NullKeyboardLock>(); };
    services.pointer = std::make_unique<platform::NullPointerConfine>();
    services.screenSaver = std::make_unique<platform::NullScreenSaverHold>();
    services.covers = std::make_unique<TScreenCovers>();
    return services;
}

TSurfaceView::TSurfaceView(const QImage& surface, QWidget* parent)
    : QWidget(parent)
    , surface_(surface)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void TSurfaceView::paintEvent(QPaintEvent*)
{
    // The surface holds device pixels: on a scaled screen it is drawn one
    // to one, not enlarged from a logical-size picture.
    QPainter p(this);
    const qreal ratio = devicePixelRatioF();
    p.drawImage(QRectF(QPointF(0, 0), QSizeF(surface_.size()) / ratio), surface_, QRectF(surface_.rect()));
}

namespace {

// A child hitting keys with both hands steps faster than one picture decodes: the show keeps
// several pictures ahead in the direction it moves, prepared on two threads side by side, and
// the recently shown ones behind, within a budget of bytes whatever the screen.
PrefetchLimits ShowPrefetchLimits()
{
    PrefetchLimits limits;
    limits.pictures = 64;
    limits.bytes = std::size_t{256} << 20;
    limits.workers = std::thread::hardware_concurrency() >= 2 ? 2 : 1;
    return limits;
}

}  // namespace

TForm_run::TForm_run(const Options& options, std::unique_ptr<TMediaPlayer> player, ShowServices services,
                     QSize surfaceSize, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , options_(options)
    , player_(std::move(player))
    , lock_(services.keyboardLock(*this))
    , prefetch_(std::make_unique<PicturePrefetcher>(PicturePrefetcher::Preparer(&PicturePrefetcher::PrepareFile), ShowPrefetchLimits()))
    , pointer_(std::move(services.pointer))
    , screenSaver_(std::move(services.screenSaver))
    , desktopEscape_(services.desktopEscape ? std::move(services.desktopEscape)
                                            : std::make_unique<platform::NullDesktopEscapeHold>())
    , covers_(std::move(services.covers))
    , fixedSurface_(!surfaceSize.isEmpty())
    , key_positions_(services.keyPositions)
{
    setObjectName(QStringLiteral("Form_run"));
    setWindowTitle(QStringLiteral("Run"));
    setModal(true);
    setCursor(Qt::BlankCursor);

    Image_main = new TSurfaceView(surface_, this);
    Image_main->setObjectName(QStringLiteral("Image_main"));
    Image_main->setEnabled(false);

    Timer_main = new QTimer(this);
    Timer_main->setObjectName(QStringLiteral("Timer_main"));
    connect(Timer_main, &QTimer::timeout, this, [this] { RunReported([this] { Timer_mainTimer(); }); });

    covers_->setKeyTarget(this);
    pointerRetry_ = new QTimer(this);
    pointerRetry_->setInterval(50);
    connect(pointerRetry_, &QTimer::timeout, this, [this] { GrabPointer(); });
    lockWatch_ = new QTimer(this);
    lockWatch_->setInterval(250);
    connect(lockWatch_, &QTimer::timeout, this, [this] { WatchLock(); });

    if (fixedSurface_) {
        setGeometry(QRect(QPoint(0, 0), surfaceSize));
        surface_ = QImage(surfaceSize, QImage::Format_RGB32);
        surface_.fill(TColorToQColor(options_.ColorDialog_background).rgb());
    } else {
        PlaceOnPrimaryScreen();
    }
    Image_main->move(0, 0);
    Image_main->resize(size());

    canvas_font_ = QFont(QStringLiteral("Tahoma"));
    canvas_font_.setPixelSize(pointsToPixels(10));
}

TForm_run::~TForm_run() = default;

// The show asks for full screen on the primary screen, wherever that lies,
// and draws in the screen's own pixels.
void TForm_run::PlaceOnPrimaryScreen()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 640, 480);
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    const QSize pixels(qRound(area.width() * ratio), qRound(area.height() * ratio));
    if (surface_.size() != pixels) {
        surface_ = QImage(pixels, QImage::Format_RGB32);
        surface_.fill(TColorToQColor(options_.ColorDialog_background).rgb());
    }
    if (screen) {
        winId();
        windowHandle()->setScreen(screen);
    }
    // Where no window manager acts on the full-screen state, the geometry
    // alone covers the screen.
    setGeometry(area);
    setWindowState(windowState() | Qt::WindowFullScreen);
}

void TForm_run::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (Image_main)
        Image_main->resize(size());
}

void TForm_run::GrabPointer()
{
    if (!wantPointer_ || !isVisible()) {
        pointerRetry_->stop();
        return;
    }
    pointerGrab_ = pointer_->Grab(static_cast<uintptr_t>(winId()));
    ++pointerAttempts_;
    // The window manager may take a moment to map the window, and another
    // program may hold the pointer for a moment: keep trying for a while.
    static constexpr int kAttempts = 40;
    if (pointerGrab_ == platform::PointerGrab::Grabbed || pointerGrab_ == platform::PointerGrab::Failed
        || pointerAttempts_ >= kAttempts)
        pointerRetry_->stop();
    else if (!pointerRetry_->isActive())
        pointerRetry_->start();
}

void TForm_run::ReleasePointer()
{
    wantPointer_ = false;
    pointerRetry_->stop();
    pointer_->Release();
}

void TForm_run::FillBitmap(QRgb color)
{
    surface_.fill(color);
}

void TForm_run::ShowSlide(int delta)
{
    if (!slides)
        return;
    slide_index = StepIndex(slide_index, delta, slides->count());
    // Backspace shows the same slide again: the show still moves the way it went.
    if (delta != 0)
        direction_ = delta > 0 ? 1 : -1;
    if (slide_index < 0 || slide_index >= slides->count())
        return;
    const trec& slide = slides->at(slide_index);
    bool pictureDrawn = false;
    const QRgb background = TColorToQColor(options_.ColorDialog_background).rgb();

    if (options_.cb_images_enable && FileExists(slide.image_disk_path)) {
        try {
            const auto picture = prefetch_->Take(PrepareRequestFor(slide.image_disk_path));
            // The background goes only where the picture does not, so that no pixel is written twice.
            const QRect covered = picture->image.isNull() ? QRect() : QRect(picture->target.topLeft(), picture->image.size());
            FillOutside(surface_, covered, options_.cb_background_auto ? picture->corner : background);
            if (!picture->image.isNull()) {
                QPainter p(&surface_);
                p.setCompositionMode(QPainter::CompositionMode_Source);
                p.drawImage(picture->target.topLeft(), picture->image);
            }
            pictureDrawn = true;
        } catch (...) {
            // Whatever went wrong, this slide has no picture.
        }
    }
    if (!pictureDrawn)
        FillBitmap(background);

    if (CaptionDrawn(options_.rg_captions_when, pictureDrawn))
        DrawCaptions(slide.name, pictureDrawn);

    Image_main->repaint();

    if (options_.cb_sounds_enable) {
        const bool played = !slide.sound_filename.empty() && player_->PlayIfPossible(slide.sound_disk_path);
        // A slide without a sound that plays says its caption, cutting off what still sounded.
        if (!played && options_.cb_speak_captions)
            player_->PlayStreamIfPossible(SpeakText(slide.name, voice_));
    }
    PrefetchNeighbours();
}

void TForm_run::DrawCaptions(const std::string& name, bool pictureDrawn)
{
    QPainter p(&surface_);
    p.setBackgroundMode(Qt::TransparentMode);

    // The quit letters keep the face of the last caption drawn.
    canvas_font_.setBold(false);
    canvas_font_.setItalic(false);
    canvas_font_.setUnderline(false);
    canvas_font_.setStrikeOut(false);
    canvas_font_.setPixelSize(pointsToPixels(10));
    p.setFont(canvas_font_);
    p.setPen(QColor(255, 255, 0));
    const QFontMetrics letters(canvas_font_);
    p.drawText(0, 10 + letters.ascent(), QString::fromStdString(quit_letters()));

    const CaptionFont& font = options_.FontDialog_captions;
    canvas_font_.setFamily(font.name);
    canvas_font_.setBold(font.style & fsBold);
    canvas_font_.setItalic(font.style & fsItalic);
    canvas_font_.setUnderline(font.style & fsUnderline);
    canvas_font_.setStrikeOut(font.style & fsStrikeOut);
    canvas_font_.setPixelSize(pointsToPixels(font.size()));
    p.setFont(canvas_font_);
    p.setPen(TColorToQColor(font.color));
    const QFontMetrics fm(canvas_font_);
    const QString text = QString::fromUtf8(name);
    const QPoint at = CaptionOrigin(surface_.width(), surface_.height(), fm.horizontalAdvance(text), fm.height(), pictureDrawn);
    p.drawText(at.x(), at.y() + fm.ascent(), text);
}

PrepareRequest TForm_run::PrepareRequestFor(const std::string& path) const
{
    return {path, options_.cb_images_stretch, surface_.size(), TColorToQColor(options_.ColorDialog_background).rgb(),
            options_.cb_background_auto};
}

void TForm_run::PrefetchNeighbours()
{
    if (!options_.cb_images_enable || !slides || slides->count() < 2)
        return;
    std::vector<PrepareRequest> requests;
    for (int i : LookAhead(slide_index, direction_, slides->count(), kLookAhead)) {
        const std::string& path = slides->at(i).image_disk_path;
        if (!path.empty())
            requests.push_back(PrepareRequestFor(path));
    }
    prefetch_->Prefetch(std::move(requests));
}

void TForm_run::ShowInstructions()
{
    if (!splash_)
        return;
    const auto arrow = OverrideCursor(Qt::ArrowCursor);
    splash_->exec();
}

// During a show the help is drawn into the show's own window: a window of
// its own would take the keyboard from the show, and on Wayland the
// compositor's shortcuts would be live again until it granted the new window
// an inhibitor of its own (GNOME takes a tenth of a second for that). It
// ends at the next key or the next tick of the help's timer, as its window
// does; automatic steps wait meanwhile.
void TForm_run::ShowInstructionsOverShow()
{
    if (!splash_ || !isVisible()) {
        ShowInstructions();
        return;
    }
    {
        const QPixmap help = splash_->grab();
        QRect place(QPoint(0, 0), help.size());
        place.moveCenter(surface_.rect().center());
        QPainter painter(&surface_);
        painter.drawPixmap(place, help);
    }
    Image_main->update();

    const auto arrow = OverrideCursor(Qt::ArrowCursor);
    const bool advancing = Timer_main->isActive();
    Timer_main->stop();
    QEventLoop loop;
    helpLoop_ = &loop;
    const auto tick = connect(splash_->Timer_main, &QTimer::timeout, &loop, &QEventLoop::quit);
    const auto ended = connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    loop.exec();
    disconnect(tick);
    disconnect(ended);
    helpLoop_ = nullptr;
    if (advancing)
        Timer_main->start();
}

// Every way out of a show gives back what it took.
class TForm_run::ShowHold {
public:
    ShowHold(TForm_run& form, bool lock) : form_(form), lock_(lock)
    {
        if (lock_) {
            desktopEscape_ = form_.desktopEscape_->Hold();
            form_.lock_->LockKeyboard();
        }
    }
    // Taken just before the window shows, after anything that may end the
    // show before it begins.
    void Take()
    {
        if (!form_.fixedSurface_)
            form_.PlaceOnPrimaryScreen();
        screenSaver_ = form_.screenSaver_->Hold();
        form_.covers_->Cover(form_.windowHandle() ? form_.windowHandle()->screen() : nullptr,
                             TColorToQColor(form_.options_.ColorDialog_background));
        form_.wantPointer_ = lock_;
        form_.pointerAttempts_ = 0;
        form_.pointerGrab_ = platform::PointerGrab::Failed;
        taken_ = true;
    }
    const std::string& screenSaver() const { return screenSaver_; }
    const std::string& desktopEscape() const { return desktopEscape_; }
    ~ShowHold()
    {
        if (taken_) {
            form_.ReleasePointer();
            form_.covers_->Uncover();
            form_.screenSaver_->Release();
        }
        if (lock_) {
            form_.lock_->UnlockKeyboard();
            form_.desktopEscape_->Release();
        }
    }

private:
    TForm_run& form_;
    bool lock_;
    bool taken_ = false;
    std::string screenSaver_;
    std::string desktopEscape_;
};

void TForm_run::RunShow(treclist& list)
{
    if (options_.cb_keyboard_splash)
        ShowInstructions();

    ShowHold hold(*this, options_.CheckBox_keyboark_lock);

    slides = &list;
    if (list.count() == 0)
        return;
    keys_.resetQuitLetters();
    // The key that ended the last show was never seen released here: a new
    // show takes its first key whenever it comes.
    keys_.FormKeyUp(now());
    // The layout may have changed since the last show.
    if (key_positions_)
        key_positions_->Reload();

    const std::int32_t interval = StrToInt(options_.le_advance_auto_interval);
    // A zero or negative interval gives no automatic steps.
    Timer_main->setInterval(std::max(interval, 0));
    if (options_.cb_advance_auto && interval > 0)
        Timer_main->start();
    else
        Timer_main->stop();

    const auto cursor = OverrideCursor(Qt::BlankCursor);
    quitting_ = false;
    heldDuringShow_ = false;
    lockProblem_.clear();
    unlockedProblem_.clear();
    hold.Take();
    if (options_.CheckBox_keyboark_lock)
        lockWatch_->start();
    exec();

    if (lockWatch_->isActive()) {
        lockWatch_->stop();
        // Still locked here: the lock says why it does not hold.
        if (!heldDuringShow_)
            unlockedProblem_ = !lockProblem_.empty() ? lockProblem_
                             : !lock_->Problem().empty() ? lock_->Problem()
                                                         : "the desktop did not let the keyboard be held";
    }
    Timer_main->stop();
    player_->Close();
    prefetch_->Clear();
    ReleaseFreedMemory();
}

LockReport TForm_run::CheckLock(std::chrono::milliseconds limit)
{
    LockReport report;
    ShowHold hold(*this, true);
    const auto cursor = OverrideCursor(Qt::BlankCursor);
    slides = nullptr;
    FillBitmap(TColorToQColor(options_.ColorDialog_background).rgb());
    hold.Take();
    quitting_ = false;
    show();

    // Wait for the pointer's answer and for the keyboard, which a compositor
    // grants once the window has the focus, within the limit.
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        const bool settled = pointerAttempts_ > 0 && !pointerRetry_->isActive();
        if ((settled && lock_->Held()) || clock.elapsed() >= limit.count())
            loop.quit();
    });
    poll.start(20);
    loop.exec();

    report.keyboard = lock_->Held();
    report.keyboardProblem = lock_->Problem();
    report.pointer = pointerGrab_;
    report.screenSaver = hold.screenSaver();
    report.desktopEscape = hold.desktopEscape();
    report.otherScreens = std::max(0, static_cast<int>(QGuiApplication::screens().size()) - 1);
    report.covered = covers_->count();
    quitting_ = true;
    hide();
    return report;
}

void TForm_run::WatchLock()
{
    if (heldDuringShow_)
        return;
    if (lock_->Held())
        heldDuringShow_ = true;
    else
        lockProblem_ = lock_->Problem();
}

void TForm_run::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Restoring a minimised window is no new showing of the slide.
    if (event->spontaneous())
        return;
    // With no window manager nobody else gives the show the keyboard focus.
    raise();
    activateWindow();
    if (wantPointer_)
        GrabPointer();
    RunReported([this] { FormShow(); });
}

void TForm_run::FormShow()
{
    ShowSlide(0);
}

void TForm_run::FormKeyDown(int key)
{
    if (lockWatch_->isActive())
        WatchLock();
    // The key that ends the keyboard help does nothing more, as with the
    // help's own window.
    if (helpLoop_) {
        helpLoop_->quit();
        return;
    }
    const KeyResult r = keys_.FormKeyDown(key, options_.cb_advance_keypress, now());
    if (!r.handled)
        return;
    // The modal loop ends once this key's handling is over, whatever the step does.
    const auto closeAfter = qScopeGuard([this, close = r.close] {
        if (close)
            accept();
    });
    if (r.close)
        quitting_ = true;
    if (r.showSplash)
        ShowInstructionsOverShow();
    ShowSlide(r.step);
}

void TForm_run::FormKeyUp()
{
    keys_.FormKeyUp(now());
}

void TForm_run::Timer_mainTimer()
{
    ShowSlide(1);
}

int TForm_run::VirtualKey(const QKeyEvent& event) const
{
    return key_positions_ ? VirtualKeyOfEvent(event, *key_positions_) : VirtualKeyOfQtEvent(event);
}

void TForm_run::keyPressEvent(QKeyEvent* event)
{
    const int vk = VirtualKey(*event);
    RunReported([&] { FormKeyDown(vk); });
}

void TForm_run::keyReleaseEvent(QKeyEvent* event)
{
    // X11 reports auto-repeat as release and press pairs; only a real release re-arms.
    if (event->isAutoRepeat())
        return;
    FormKeyUp();
}

void TForm_run::mousePressEvent(QMouseEvent* event)
{
    // Never a way out: a button or a touch only ever steps on.
    event->accept();
    if (options_.cb_advance_click)
        RunReported([&] { FormKeyDown(vk::Space); });
}

void TForm_run::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click, or of a double tap.
    mousePressEvent(event);
}

void TForm_run::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (options_.cb_advance_click)
        FormKeyUp();
}

void TForm_run::closeEvent(QCloseEvent* event)
{
    // Only the quit sequence ends a show: the window manager's close is refused.
    if (quitting_)
        event->accept();
    else
        event->ignore();
}

void TForm_run::reject()
{
    // Esc belongs to the show's own keys.
}
