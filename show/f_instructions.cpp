#include "show/f_instructions.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace {

struct Text {
    const char* name;
    const char* text;
    int left, top, height;
    bool yellow;
};

// Each text but the program's name in the desktop's language.
const Text kTexts[] = {
    {"StaticText4", "Bimbalo", 125, 19, 21, false},
    {"StaticText1", QT_TRANSLATE_NOOP("TForm_instructions", "You are about to run slide show in full screen !"), 13, 54, 16, false},
    {"StaticText2", QT_TRANSLATE_NOOP("TForm_instructions", "Keys: "), 34, 104, 16, false},
    {"StaticText5", QT_TRANSLATE_NOOP("TForm_instructions", "PAGE UP"), 76, 133, 16, false},
    {"StaticText8", QT_TRANSLATE_NOOP("TForm_instructions", "Previous Slide"), 199, 133, 16, false},
    {"StaticText6", QT_TRANSLATE_NOOP("TForm_instructions", "PAGE DOWN"), 76, 162, 16, false},
    {"StaticText9", QT_TRANSLATE_NOOP("TForm_instructions", "Next Slide"), 199, 162, 16, false},
    {"StaticText7", QT_TRANSLATE_NOOP("TForm_instructions", "BACKSPACE"), 76, 191, 16, false},
    {"StaticText10", QT_TRANSLATE_NOOP("TForm_instructions", "Preplay Current Slide"), 199, 191, 16, false},
    {"StaticText3", QT_TRANSLATE_NOOP("TForm_instructions", "Type \"Q\",\"U\",\"I\",\"T\" to return"), 80, 253, 16, true},
};

} // namespace

TForm_instructions::TForm_instructions(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form_instructions"));
    setModal(true);
    setFixedSize(400, 300);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 128));
    setPalette(pal);

    for (const Text& t : kTexts) {
        auto* label = new QLabel(tr(t.text), this);
        label->setObjectName(QLatin1String(t.name));
        QFont f(QStringLiteral("Tahoma"));
        f.setBold(true);
        f.setPixelSize(t.height);
        label->setFont(f);
        QPalette lp = label->palette();
        lp.setColor(QPalette::WindowText, t.yellow ? QColor(255, 255, 0) : QColor(255, 255, 255));
        label->setPalette(lp);
        label->setFocusPolicy(Qt::NoFocus);
        label->move(t.left, t.top);
        label->adjustSize();
    }

    // Runs freely from creation: a splash closes at the next tick after it is shown.
    Timer_main = new QTimer(this);
    Timer_main->setObjectName(QStringLiteral("Timer_main"));
    Timer_main->setInterval(5000);
    connect(Timer_main, &QTimer::timeout, this, &TForm_instructions::Timer_mainTimer);
    Timer_main->start();
}

void TForm_instructions::closeSplash()
{
    if (isVisible())
        done(QDialog::Rejected);
}

void TForm_instructions::FormKeyDown()
{
    closeSplash();
}

void TForm_instructions::Timer_mainTimer()
{
    closeSplash();
}

void TForm_instructions::keyPressEvent(QKeyEvent*)
{
    FormKeyDown();
}

void TForm_instructions::showEvent(QShowEvent* event)
{
    if (!placed_) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        placed_ = true;
    }
    QDialog::showEvent(event);
    raise();
    activateWindow();
}
