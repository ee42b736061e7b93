#pragma once

#include <QDialog>

class QLabel;
class QFrame;
class QPushButton;

// The about box: built for each showing and destroyed when it closes.
class TForm_about : public QDialog {
    Q_OBJECT
public:
    explicit TForm_about(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QFrame* Panel2 = nullptr;
    QFrame* panel_image = nullptr;
    QLabel* Image_main = nullptr;
    QLabel* l_companyname = nullptr;
    QLabel* l_appname = nullptr;
    QLabel* l_appversion = nullptr;
    QLabel* l_copyright1 = nullptr;
    QLabel* l_email = nullptr;
    QLabel* l_http = nullptr;
    QPushButton* OKButton = nullptr;

    void OKButtonClick();
    // Lays the picture in and lets the left panel grow to fit it.
    void setPicture(const QPixmap& picture);

protected:
    // The box has no cancel button: Esc does nothing.
    void keyPressEvent(QKeyEvent* event) override;
};

// The maker's fixed texts.
extern const char* const kMakerCopyright;
extern const char* const kMakerEmail;
extern const char* const kMakerWeb;

// Shows the about box of the running program modally; returns when it has closed.
void ShowAboutBox();
// The same for the program file at exePath (its version block and its picture file).
void ShowAboutBox(const QString& exePath);
