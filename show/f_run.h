#pragma once

#include "media/speech.h"
#include "show/key_handler.h"
#include "show/keyboard_lock.h"
#include "show/screen_covers.h"

#include "platform/pointer_confine.h"
#include "platform/desktop_escape.h"
#include "platform/screen_saver.h"

#include <QDialog>
#include <QFont>
#include <QImage>
#include <QPointer>

#include <cstdlib>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

class QScreen;
class QTimer;
class TMediaPlayer;
class TForm_instructions;
class PicturePrefetcher;
struct PrepareRequest;
class treclist;
struct Options;
class TForm_run;
namespace platform {
class KeyPositionSource;
}

// What a show takes from the desktop. The program chooses them at start-up;
// tests and benchmarks pass their own.
struct ShowServices {
    // Makes the window's keyboard lock, which asks the window for its handle
    // and for the virtual-key code of a key event.
    std::function<std::unique_ptr<KeyboardLockControl>(TForm_run& window)> keyboardLock;
    std::unique_ptr<platform::PointerConfine> pointer;
    std::unique_ptr<platform::ScreenSaverHold> screenSaver;
    // The desktop's own way out of a locked show, turned off meanwhile; none:
    // nothing to turn off.
    std::unique_ptr<platform::DesktopEscapeHold> desktopEscape;
    // Where letter keys are on the keyboard, read again at each show; none:
    // keys go by their Qt keys alone. Outlives the window.
    platform::KeyPositionSource* keyPositions = nullptr;
    std::unique_ptr<TScreenCovers> covers;
};

// A lock that never locks, no pointer or screen saver taken, keys by their Qt
// keys, and the plain covers: a show that leaves the desktop alone.
ShowServices NullShowServices();

// What a locked show holds on this desktop, as the lock self-test reports it.
struct LockReport {
    bool keyboard = false;
    std::string keyboardProblem;
    platform::PointerGrab pointer = platform::PointerGrab::Failed;
    std::string screenSaver; // what holds it; empty when nothing does
    std::string desktopEscape; // what was turned off; empty when nothing was
    int otherScreens = 0;
    int covered = 0;
};

class QEventLoop;

// The widget that shows the surface.
class TSurfaceView : public QWidget {
public:
    explicit TSurfaceView(const QImage& surface, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const QImage& surface_;
};

// The full-screen show window.
class TForm_run : public QDialog {
    Q_OBJECT
public:
    // surfaceSize: empty for the primary screen's size in device pixels, the
    // window then asking for full screen there at each show.
    TForm_run(const Options& options, std::unique_ptr<TMediaPlayer> player, ShowServices services,
              QSize surfaceSize = {}, QWidget* parent = nullptr);
    ~TForm_run() override;

    void setInstructions(TForm_instructions* splash) { splash_ = splash; }
    // The virtual-key code the show and its keyboard lock give a key event.
    int VirtualKey(const QKeyEvent& event) const;

    // Runs one show over the list; returns when it has ended.
    void RunShow(treclist& list);
    // Steps the position by delta with wrap-around and draws that slide.
    void ShowSlide(int delta);
    // Takes everything a locked show takes, over an empty show window, for at
    // most `limit`, and gives it all back.
    LockReport CheckLock(std::chrono::milliseconds limit);
    // Why the keyboard was never held during the last show that asked for
    // the lock, while it ran; empty when it was held, or not asked for.
    const std::string& unlockedShowProblem() const { return unlockedProblem_; }

    void FormKeyDown(int key);
    void FormKeyUp();
    void Timer_mainTimer();

    int slide_index = -1;
    // How many slides ahead the show prepares, in the direction it last moved.
    static constexpr int kLookAhead = 6;
    treclist* slides = nullptr;
    const std::string& quit_letters() const { return keys_.quit_letters(); }

    const QImage& surface() const { return surface_; }
    TMediaPlayer& MediaPlayer_main() { return *player_; }
    PicturePrefetcher& prefetcher() { return *prefetch_; }
    QTimer* Timer_main = nullptr;
    TSurfaceView* Image_main = nullptr;
    TScreenCovers& covers() { return *covers_; }
    platform::PointerGrab pointerGrab() const { return pointerGrab_; }

    // The clock of the key handler; tests replace it.
    std::function<ShowKeyHandler::Clock::time_point()> now = [] { return ShowKeyHandler::Clock::now(); };

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // With cb_advance_click, a press of any button or a touch (which Qt hands
    // over as a press of the left button) steps as Space does.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void reject() override;

private:
    class ShowHold;
    friend class ShowHold;

    void FormShow();
    void ShowInstructions();
    void ShowInstructionsOverShow();
    void FillBitmap(QRgb color);
    void DrawCaptions(const std::string& name, bool pictureDrawn);
    PrepareRequest PrepareRequestFor(const std::string& path) const;
    void PrefetchNeighbours();
    void PlaceOnPrimaryScreen();
    void GrabPointer();
    void ReleasePointer();
    void WatchLock();

    const Options& options_;
    std::unique_ptr<TMediaPlayer> player_;
    // The speech voice of the desktop's language.
    std::string voice_ = VoiceForLocale(std::getenv("LANGUAGE"), std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                                        std::getenv("LANG"));
    std::unique_ptr<KeyboardLockControl> lock_;
    std::unique_ptr<PicturePrefetcher> prefetch_;
    int direction_ = 1;  // the way the show last moved: +1 or -1
    std::unique_ptr<platform::PointerConfine> pointer_;
    std::unique_ptr<platform::ScreenSaverHold> screenSaver_;
    std::unique_ptr<platform::DesktopEscapeHold> desktopEscape_;
    std::unique_ptr<TScreenCovers> covers_;
    // Watches a locked show for the keyboard being held: a compositor may
    // grant it late, after asking the user, or never.
    QTimer* lockWatch_ = nullptr;
    bool heldDuringShow_ = false;
    std::string lockProblem_;
    std::string unlockedProblem_;
    QTimer* pointerRetry_ = nullptr;
    platform::PointerGrab pointerGrab_ = platform::PointerGrab::Failed;
    bool wantPointer_ = false;
    int pointerAttempts_ = 0;
    bool fixedSurface_ = false;
    TForm_instructions* splash_ = nullptr;
    platform::KeyPositionSource* key_positions_ = nullptr;
    ShowKeyHandler keys_;
    QImage surface_;
    QFont canvas_font_;
    bool quitting_ = false;
    // While the keyboard help shows over the running show: its next key ends it.
    QEventLoop* helpLoop_ = nullptr;
};
