#pragma once

#include <QDialog>

// The keyboard help splash shown before and during a show.
class TForm_instructions : public QDialog {
    Q_OBJECT
public:
    explicit TForm_instructions(QWidget* parent = nullptr);
};
