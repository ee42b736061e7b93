#include "screen_covers.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWindow>

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

QWidget* TScreenCovers::coverOf(QScreen* screen) const
{
    const auto it = covers_.find(screen);
    return it == covers_.end() ? nullptr : it->second.get();
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
        cover = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                                       | Qt::WindowDoesNotAcceptFocus);
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
    cover->showFullScreen();
}

void TScreenCovers::Remove(QScreen* screen)
{
    covers_.erase(screen);
    if (screen == show_)
        show_ = nullptr;
}
