#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>

class QScreen;

// Plain windows in the show's background colour over every screen but the
// one the show runs on, following screens that come and go while they are up.
class TScreenCovers : public QObject {
    Q_OBJECT
public:
    TScreenCovers();
    ~TScreenCovers() override;

    // Where keys typed while a cover has the focus go: on Wayland the
    // compositor may give it the keyboard, and the show must still hear them.
    void setKeyTarget(QWidget* target) { keyTarget_ = target; }

    // Covers every screen except `show`; updates the colour when already up.
    void Cover(QScreen* show, const QColor& colour);
    void Uncover();

    int count() const { return static_cast<int>(covers_.size()); }

private:
    void Add(QScreen* screen);
    void Remove(QScreen* screen);
    void Refresh();

    QPointer<QScreen> show_;
    QColor colour_;
    bool active_ = false;
    QPointer<QWidget> keyTarget_;
    std::map<QScreen*, std::unique_ptr<QWidget>> covers_;
};
