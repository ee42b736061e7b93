#pragma once

#include <QDialog>

class QTimer;

// The keyboard help splash: a small navy window shown before a show and on
// Esc during one. It closes at the first key or at the next tick of its own
// timer, which runs freely from creation.
class TForm_instructions : public QDialog {
    Q_OBJECT
public:
    explicit TForm_instructions(QWidget* parent = nullptr);

    QTimer* Timer_main = nullptr;

    void FormKeyDown();
    void Timer_mainTimer();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void closeSplash();
    bool placed_ = false;
};
