#pragma once

#include "treclist.h"

#include <QMainWindow>
#include <memory>

class QAction;
class QLabel;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class QToolBar;
class QWidget;
class HelpViewer;
class TMediaPlayer;
class TForm_options;
class TForm_run;
class TStatusNotes;
struct Options;

// The main window: the slide list, the preview, and the program's commands.
class Tform_main : public QMainWindow {
    Q_OBJECT
public:
    // help: the help service; the window keeps a reference to it.
    Tform_main(HelpViewer& help, std::unique_ptr<TMediaPlayer> player, QWidget* parent = nullptr);
    ~Tform_main() override;

    // The other long-lived windows, handed over once they exist.
    void setForms(TForm_options* options, TForm_run* run);
    // The settings record, read at the moment of use; it must be set before RefreshSlides.
    void setOptions(const Options* options) { options_ = options; }

    void RefreshSlides();

    // The help file: the program's path with the extension ".qch".
    QString helpFile() const { return help_file_; }
    void setHelpFile(const QString& file) { help_file_ = file; }

    void ListView_mainSelectItem(QTreeWidgetItem* Item, bool Selected);
    void Action_run_runExecute();
    void Action_run_optionsExecute();
    void Action_help_contentsExecute();
    void Action_help_topicsearchExecute();
    void Action_help_aboutExecute();
    void action_file_exitExecute();

    // Controls, named as the window's design names them.
    QTreeWidget* ListView_main = nullptr;
    QSplitter* Splitter1 = nullptr;
    QWidget* Panel1 = nullptr;
    QLabel* Image_preview = nullptr;
    QToolBar* ToolBar1 = nullptr;
    TStatusNotes* StatusNotes = nullptr;
    TMediaPlayer& MediaPlayer_main() { return *player_; }

    QAction* Action_run_run = nullptr;
    QAction* Action_run_options = nullptr;
    QAction* Action_help_contents = nullptr;
    QAction* Action_help_topicsearch = nullptr;
    QAction* Action_help_about = nullptr;
    QAction* action_file_exit = nullptr;

    treclist slide_list;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void createActions();
    void onSelectionChanged();

    const Options* options_ = nullptr;
    HelpViewer& help_;
    std::unique_ptr<TMediaPlayer> player_;
    TForm_options* form_options_ = nullptr;
    TForm_run* form_run_ = nullptr;
    QString help_file_;
};

// Scales a length designed at the given resolution to logical pixels.
int ScaleFrom(int pixels, int designDpi);
