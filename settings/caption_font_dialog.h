#pragma once

// The caption font dialog: Qt's font dialog has no colour, so its widget is
// shown here with a colour button beside OK and Cancel.

#include "settings/options.h"

#include <QDialog>
#include <QFont>

class QFontDialog;
class QPushButton;

class TCaptionFontDialog : public QDialog {
    Q_OBJECT
public:
    explicit TCaptionFontDialog(QWidget* parent = nullptr);

    QFont currentFont() const;
    void setCurrentFont(const QFont& font);

    // A colour the user did not change stays exactly as given, system colours included.
    TColor color() const { return m_color; }
    void setColor(TColor color);

    QFontDialog* fontPart() const { return m_fontPart; }
    QPushButton* colorButton() const { return m_colorButton; }

private:
    void chooseColor();

    QFontDialog* m_fontPart;
    QPushButton* m_colorButton;
    TColor m_color = 0;
};
