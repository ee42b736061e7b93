#pragma once

#include "slides/treclist.h"

#include <QImage>
#include <QMainWindow>
#include <QModelIndex>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QSplitter;
class QTimer;
class QTreeView;
class QToolBar;
class QWidget;
class HelpViewer;
class TMediaPlayer;
class TForm_options;
class TForm_run;
class TForm_scanning;
class TSlideListModel;
class TStatusNotes;
class SlideScan;
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

    // Rebuilds the slide list on a thread of its own. A rebuild over within
    // half a second is finished when this returns, the first slide selected;
    // a longer one shows its progress with Cancel and fills the list in
    // when it is over, while the window goes on working.
    void RefreshSlides();
    // Whether a rebuild is still under way.
    bool scanning() const;
    // Lists the data folder for each rebuild in FindFiles' place (tests slow it down).
    void setFolderLister(FolderLister lister) { lister_ = std::move(lister); }

    // The help file: the program's path with the extension ".qch".
    QString helpFile() const { return help_file_; }
    void setHelpFile(const QString& file) { help_file_ = file; }

    void ListView_mainSelectItem(const QModelIndex& Item, bool Selected);
    void Action_run_runExecute();
    void Action_run_optionsExecute();
    void Action_help_contentsExecute();
    void Action_help_topicsearchExecute();
    void Action_help_aboutExecute();
    void action_file_exitExecute();

    // Controls, named as the window's design names them.
    QTreeView* ListView_main = nullptr;
    TSlideListModel* ListModel_main = nullptr;
    // The progress of a slow rebuild; null when none is shown.
    TForm_scanning* Form_scanning = nullptr;
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
    QImage LoadPreview(const std::string& path) const;
    void FormCreate();
    void createActions();
    void onSelectionChanged();
    void scanEnded(std::uint64_t id);
    void showSlides(treclist& slides);
    void cancelScan();
    void abandonScan();
    void closeProgress();
    void runIfWaiting();

    const Options* options_ = nullptr;
    HelpViewer& help_;
    std::unique_ptr<TMediaPlayer> player_;
    TForm_options* form_options_ = nullptr;
    TForm_run* form_run_ = nullptr;
    QString help_file_;

    FolderLister lister_;
    // The rebuild under way, and those given up that are still ending on
    // their threads; each known by a number of its own.
    struct Scan {
        std::uint64_t id = 0;
        std::unique_ptr<SlideScan> scan;
    };
    Scan scan_;
    std::vector<Scan> abandoned_;
    std::uint64_t scans_started_ = 0;
    bool run_waiting_ = false;
    QTimer* progress_timer_ = nullptr;
};
