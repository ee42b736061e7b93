#include "f_run.h"

#include "error_report.h"
#include "f_instructions.h"
#include "key_position_source.h"
#include "keyboard_lock.h"
#include "media_player.h"
#include "memory_reuse.h"
#include "options.h"
#include "picture_decoders.h"
#include "picture_prefetch.h"
#include "show_geometry.h"
#include "tcolor.h"
#include "text_forms.h"
#include "treclist.h"
#include "u_utils.h"
#include "virtual_keys.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>


namespace {


// Point sizes are drawn as at 96 dots per inch.
int pointsToPixels(int points)
{
    return std::max(1, RoundHalfAway(points * 96.0 / 72.0));
}

// The pointer the show hides is given back on every way out of a show.
class CursorGuard {
public:
    void set(Qt::CursorShape shape)
    {
        QGuiApplication::setOverrideCursor(QCursor(shape));
        ++depth_;
    }
    ~CursorGuard()
    {
        while (depth_-- > 0)
            QGuiApplication::restoreOverrideCursor();
    }

private:
    int depth_ = 0;
};

// The lock through the hook library, handed this window's handle.
class HookKeyboardLock final : public KeyboardLockControl {
public:
    explicit HookKeyboardLock(TForm_run* window)
        : lock_([window] { return static_cast<uintptr_t>(window->winId()); },
                [window](const QKeyEvent& event) { return window->VirtualKey(event); })
    {
    }
    void LockKeyboard() override { lock_.LockKeyboard(); }
    void UnlockKeyboard() override { lock_.UnlockKeyboard(); }

private:
    TKeyboardLock lock_;
};

} // namespace

TSurfaceView::TSurfaceView(const QImage& surface, QWidget* parent)
    : QWidget(parent)
    , surface_(surface)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void TSurfaceView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, surface_);
}

TForm_run::TForm_run(const Options& options, std::unique_ptr<TMediaPlayer> player, QSize surfaceSize, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , options_(options)
    , player_(std::move(player))
    , lock_(std::make_unique<HookKeyboardLock>(this))
    , prefetch_(std::make_unique<PicturePrefetcher>([](const std::string& path) { return LoadPicture(path); }))
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

    // The show covers the primary screen, taken once here.
    QSize size = surfaceSize;
    if (size.isEmpty()) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        size = screen ? screen->geometry().size() : QSize(640, 480);
    }
    setGeometry(QRect(QPoint(0, 0), size));
    Image_main->move(0, 0);
    Image_main->resize(size);
    surface_ = QImage(size, QImage::Format_RGB32);
    surface_.fill(TColorToQColor(options_.ColorDialog_background).rgb());

    canvas_font_ = QFont(QStringLiteral("Tahoma"));
    canvas_font_.setPixelSize(pointsToPixels(10));
}

TForm_run::~TForm_run() = default;

void TForm_run::setKeyboardLock(std::unique_ptr<KeyboardLockControl> lock)
{
    lock_ = lock ? std::move(lock) : std::make_unique<HookKeyboardLock>(this);
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
    if (slide_index < 0 || slide_index >= slides->count())
        return;
    const trec& slide = slides->at(slide_index);
    bool pictureDrawn = false;
    const QRgb background = TColorToQColor(options_.ColorDialog_background).rgb();

    if (options_.cb_images_enable && FileExists(slide.image_disk_path)) {
        try {
            const auto picture = prefetch_->Take({slide.image_disk_path, options_.cb_images_stretch, surface_.size()});
            FillBitmap(options_.cb_background_auto ? picture->corner : background);
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

    const int when = options_.rg_captions_when;
    if (when == 0 || (when == 2 && !pictureDrawn))
        DrawCaptions(slide.name, pictureDrawn);

    Image_main->repaint();

    if (options_.cb_sounds_enable && !slide.sound_filename.empty()) {
        try {
            player_->FileName = slide.sound_disk_path;
            player_->Open();
            player_->Play();
        } catch (const EMCIDeviceError&) {
        }
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

void TForm_run::PrefetchNeighbours()
{
    if (!options_.cb_images_enable || !slides || slides->count() < 2)
        return;
    std::vector<PrepareRequest> requests;
    for (int delta : {1, -1}) {
        const int i = StepIndex(slide_index, delta, slides->count());
        const std::string& path = slides->at(i).image_disk_path;
        if (!path.empty())
            requests.push_back({path, options_.cb_images_stretch, surface_.size()});
    }
    prefetch_->Prefetch(std::move(requests));
}

void TForm_run::ShowInstructions()
{
    if (!splash_)
        return;
    CursorGuard arrow;
    arrow.set(Qt::ArrowCursor);
    splash_->exec();
}

void TForm_run::RunShow(treclist& list)
{
    if (options_.cb_keyboard_splash)
        ShowInstructions();

    const bool lock = options_.CheckBox_keyboark_lock;
    if (lock)
        lock_->LockKeyboard();
    // Every way out of a show gives the keyboard and the pointer back.
    struct Unlock {
        KeyboardLockControl* lock;
        ~Unlock()
        {
            if (lock)
                lock->UnlockKeyboard();
        }
    } unlock{lock ? lock_.get() : nullptr};
    CursorGuard cursor;

    slides = &list;
    if (list.count() == 0)
        return;
    keys_.resetQuitLetters();
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

    cursor.set(Qt::BlankCursor);
    quitting_ = false;
    exec();

    Timer_main->stop();
    player_->Close();
    prefetch_->Clear();
    ReleaseFreedMemory();
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
    RunReported([this] { FormShow(); });
}

void TForm_run::FormShow()
{
    ShowSlide(0);
}

void TForm_run::FormKeyDown(int key)
{
    const KeyResult r = keys_.FormKeyDown(key, options_.cb_advance_keypress, now());
    if (!r.handled)
        return;
    // The modal loop ends once this key's handling is over, whatever the step does.
    struct CloseAfter {
        TForm_run* form;
        bool close;
        ~CloseAfter()
        {
            if (close)
                form->accept();
        }
    } closeAfter{this, r.close};
    if (r.close)
        quitting_ = true;
    if (r.showSplash)
        ShowInstructions();
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
