#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Shown beside the main window while a slow rebuild of the slide list goes
// on: where it looks, what it has found so far, and Cancel, which gives the
// rebuild up. It blocks no other window.
class TForm_scanning : public QDialog {
    Q_OBJECT
public:
    explicit TForm_scanning(QWidget* parent = nullptr);

    void setFolder(const QString& folder);
    void setCounts(int folders, int files);
    // Run was chosen while the search went on: the show follows it.
    void setRunWaiting(bool waiting);

    QLabel* l_folder = nullptr;
    QLabel* l_folders = nullptr;
    QLabel* l_files = nullptr;
    QLabel* l_run = nullptr;
    QPushButton* Button_cancel = nullptr;
};
