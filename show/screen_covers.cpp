#include "show/screen_covers.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QScreen>
#include <QWindow>

namespace {

class TCover final : public QWidget {
public:
    // A window of the show's own, so that the show's modality does not shut
    // the cover's keys out.
    explicit TCover(const QPointer<QWidget>& keyTarget)
        : QWidget(keyTarget, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                               | Qt::WindowDoesNotAcceptFocus)
        , keyTarget_(keyTarget)
    {
    }

protected:
    void keyPressEvent(QKeyEvent* event) override { Forward(event); }
    void keyReleaseEvent(QKeyEvent* event) override { Forward(event); }

private:
    void Forward(QKeyEvent* event)
    {
        if (keyTarget_)
            QCoreApplication::sendEvent(keyTarget_, event);
    }

    const QPointer<QWidget>& keyTarget_;
};

} // namespace

TScreenCovers::TScreenCovers()
{
    connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen* s) {
        if (active_)
            Add(s);
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, [this](QScreen* s) { Remove(s); });
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, [this] {
        if (active_)
            Refresh();
    });
}

TScreenCovers::~TScreenCovers() = default;

void TScreenCovers::Cover(QScreen* show, const QColor& colour)
{
    show_ = show;
    colour_ = colour;
    active_ = true;
    Refresh();
}

void TScreenCovers::Uncover()
{
    active_ = false;
    covers_.clear();
}

void TScreenCovers::Refresh()
{
    for (auto it = covers_.begin(); it != covers_.end();)
        it = it->first == show_ ? covers_.erase(it) : std::next(it);
    for (QScreen* s : QGuiApplication::screens())
        Add(s);
}

void TScreenCovers::Add(QScreen* screen)
{
    if (!screen || screen == show_)
        return;
    auto& cover = covers_[screen];
    if (!cover) {
        cover = std::make_unique<TCover>(keyTarget_);
        cover->setObjectName(QStringLiteral("Cover"));
        cover->setWindowTitle(QStringLiteral("Bimbalo cover"));
        cover->setAttribute(Qt::WA_ShowWithoutActivating);
        cover->setCursor(Qt::BlankCursor);
        cover->setAutoFillBackground(true);
    }
    QPalette palette = cover->palette();
    palette.setColor(QPalette::Window, colour_);
    cover->setPalette(palette);
    // The screen is chosen before the window is mapped, so that the window
    // manager makes it full screen there and not on the screen under the pointer.
    cover->setGeometry(screen->geometry());
    cover->winId();
    cover->windowHandle()->setScreen(screen);
    cover->setGeometry(screen->geometry());
    // Not showFullScreen: that would also try to give the cover the focus.
    cover->setWindowState(Qt::WindowFullScreen);
    cover->show();
}

void TScreenCovers::Remove(QScreen* screen)
{
    covers_.erase(screen);
    if (screen == show_)
        show_ = nullptr;
}
