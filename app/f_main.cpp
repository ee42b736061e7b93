#include "app/f_main.h"

#include "app/design_scale.h"
#include "app/f_about.h"
#include "app/f_scanning.h"
#include "app/glyphs.h"
#include "app/slide_list_model.h"
#include "app/status_notes.h"
#include "app/widest_text.h"
#include "errors/error_report.h"
#include "media/media_player.h"
#include "media/picture_decoders.h"
#include "ui/help_viewer.h"
#include "settings/f_options.h"
#include "settings/options.h"
#include "show/f_run.h"
#include "slides/file_paths.h"
#include "slides/slide_scan.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <chrono>

namespace {

// A rebuild that takes longer than this shows its progress; a shorter one is
// waited for, so that the window never flashes an empty or half-made list.
constexpr std::chrono::milliseconds kQuickScan(500);

} // namespace

Tform_main::Tform_main(HelpViewer& help, std::unique_ptr<TMediaPlayer> player, QWidget* parent)
    : QMainWindow(parent)
    , help_(help)
    , player_(std::move(player))
{
    setObjectName(QStringLiteral("form_main"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(ScaleFrom(14, kDesignDpi));
    setFont(font);
    setWindowIcon(Glyphs::application());

    createActions();

    ListView_main = new QTreeView;
    ListView_main->setObjectName(QStringLiteral("ListView_main"));
    ListModel_main = new TSlideListModel(slide_list, this);
    ListView_main->setModel(ListModel_main);
    ListView_main->setRootIsDecorated(false);
    ListView_main->setItemsExpandable(false);
    ListView_main->setUniformRowHeights(true);
    ListView_main->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView_main->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView_main->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView_main->header()->setStretchLastSection(false);
    ListView_main->header()->setSectionsMovable(false);
    for (int c = 0; c < 3; ++c)
        ListView_main->setColumnWidth(c, ScaleFrom(65, kDesignDpi));

    Panel1 = new QWidget;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Image_preview = new QLabel(Panel1);
    Image_preview->setObjectName(QStringLiteral("Image_preview"));
    Image_preview->move(ScaleFrom(4, kDesignDpi), ScaleFrom(31, kDesignDpi));
    Image_preview->setScaledContents(false);
    Image_preview->resize(0, 0);

    Splitter1 = new QSplitter(Qt::Horizontal);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->addWidget(ListView_main);
    Splitter1->addWidget(Panel1);
    Splitter1->setHandleWidth(ScaleFrom(4, kDesignDpi));
    Splitter1->setChildrenCollapsible(false);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    setCentralWidget(Splitter1);

    // Tab goes from the list to the preview and back; the preview panel shows
    // its focus with a focus frame of its own (see eventFilter).
    Panel1->setFocusPolicy(Qt::StrongFocus);
    Panel1->setAccessibleName(tr("Preview"));
    Panel1->installEventFilter(this);
    setTabOrder(ListView_main, Panel1);

    auto* status = new QStatusBar;
    status->setObjectName(QStringLiteral("StatusBar_main"));
    status->setSizeGripEnabled(true);
    status->setFixedHeight(ScaleFrom(19, kDesignDpi));
    setStatusBar(status);
    StatusNotes = new TStatusNotes(status);
    player_->OnDeviceProblem = [this](const std::string& problem) { StatusNotes->SoundProblem(problem); };

    resize(ScaleFrom(809, kDesignDpi), ScaleFrom(722, kDesignDpi) + menuBar()->sizeHint().height());
    Splitter1->setSizes({ScaleFrom(378, kDesignDpi), width() - ScaleFrom(378, kDesignDpi)});

    connect(ListView_main->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &Tform_main::onSelectionChanged);

    progress_timer_ = new QTimer(this);
    progress_timer_->setInterval(100);
    connect(progress_timer_, &QTimer::timeout, this, [this] {
        if (scan_.scan && Form_scanning)
            Form_scanning->setCounts(scan_.scan->folders(), scan_.scan->files());
    });

    FormCreate();
}

Tform_main::~Tform_main() = default;

void Tform_main::createActions()
{
    // Captions carry their access keys ("&"); shortcuts follow the desktop's conventions.
    auto make = [this](const char* name, const QString& caption, const QIcon& icon, const QKeySequence& shortcut,
                       void (Tform_main::*handler)()) {
        auto* action = new QAction(icon, caption, this);
        action->setObjectName(QLatin1String(name));
        // Qt would drop the "..." from the toolbar's label; the toolbar shows the
        // caption as it is, without the access key, which belongs to the menu.
        action->setIconText(QString(caption).remove(QLatin1Char('&')));
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, [this, handler] { RunReported([&] { (this->*handler)(); }); });
        // Held by the window itself too, so that its shortcut works from wherever the focus is.
        addAction(action);
        return action;
    };
    Action_run_run = make("Action_run_run", tr("&Run"), Glyphs::run(), QKeySequence(Qt::Key_F5),
                          &Tform_main::Action_run_runExecute);
    Action_run_options = make("Action_run_options", tr("&Options"), Glyphs::options(),
                              QKeySequence(Qt::CTRL | Qt::Key_Comma), &Tform_main::Action_run_optionsExecute);
    Action_help_contents = make("Action_help_contents", tr("&Contents..."), Glyphs::contents(),
                                QKeySequence(Qt::Key_F1), &Tform_main::Action_help_contentsExecute);
    Action_help_topicsearch = make("Action_help_topicsearch", tr("&Topic search..."), Glyphs::search(),
                                   QKeySequence(), &Tform_main::Action_help_topicsearchExecute);
    Action_help_about = make("Action_help_about", tr("&About..."), Glyphs::about(), QKeySequence(),
                             &Tform_main::Action_help_aboutExecute);
    action_file_exit = make("action_file_exit", tr("E&xit"), QIcon(), QKeySequence(Qt::CTRL | Qt::Key_Q),
                            &Tform_main::action_file_exitExecute);

    QMenuBar* menu = menuBar();
    menu->setObjectName(QStringLiteral("MainMenu_Main"));
    QMenu* file = menu->addMenu(tr("&File"));
    file->addAction(action_file_exit);
    QMenu* run = menu->addMenu(tr("&Run"));
    run->addAction(Action_run_run);
    run->addSeparator();
    run->addAction(Action_run_options);
    QMenu* help = menu->addMenu(tr("&Help"));
    help->addAction(Action_help_contents);
    help->addAction(Action_help_topicsearch);
    help->addSeparator();
    help->addAction(Action_help_about);

    ToolBar1 = new QToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->addAction(Action_run_run);
    ToolBar1->addAction(Action_run_options);
    auto* gap = new QWidget;
    gap->setFixedWidth(ScaleFrom(8, kDesignDpi));
    ToolBar1->addWidget(gap);
    ToolBar1->addAction(Action_help_contents);
    ToolBar1->addAction(Action_help_about);
    for (QAction* a : {Action_run_run, Action_run_options, Action_help_contents, Action_help_about}) {
        if (QWidget* button = ToolBar1->widgetForAction(a)) {
            button->setObjectName(QStringLiteral("ToolButton_") + a->objectName());
            button->setMinimumSize(ScaleFrom(63, kDesignDpi), ScaleFrom(36, kDesignDpi));
        }
    }
    addToolBar(Qt::TopToolBarArea, ToolBar1);
}

void Tform_main::FormCreate()
{
    setWindowTitle(QStringLiteral("Quillfen ") + QApplication::applicationName());
    slide_list.items.clear();
}

void Tform_main::setForms(TForm_options* options, TForm_run* run)
{
    form_options_ = options;
    form_run_ = run;
    // The show swallows sound errors like the preview; a missing device is
    // said here once the show is over.
    if (run)
        run->MediaPlayer_main().OnDeviceProblem = player_->OnDeviceProblem;
}

void Tform_main::RefreshSlides()
{
    // A rebuild still under way is given up for this one.
    abandonScan();
    const std::uint64_t id = ++scans_started_;
    auto scan = std::make_unique<SlideScan>(*options_, lister_, [this, id] {
        QMetaObject::invokeMethod(this, [this, id] { scanEnded(id); }, Qt::QueuedConnection);
    });
    // A quick rebuild ends here, so that at start-up the first slide is
    // previewed before the window shows. Its notice of the end comes later
    // and finds no rebuild of its number.
    if (scan->WaitFor(kQuickScan)) {
        closeProgress(); // of a rebuild given up for this one
        showSlides(scan->result());
        scan.reset();
        runIfWaiting();
        return;
    }
    scan_ = {id, std::move(scan)};

    if (!Form_scanning) {
        Form_scanning = new TForm_scanning(this);
        connect(Form_scanning, &QDialog::rejected, this, &Tform_main::cancelScan);
    }
    Form_scanning->setFolder(options_->le_folder);
    Form_scanning->setCounts(scan_.scan->folders(), scan_.scan->files());
    Form_scanning->setRunWaiting(run_waiting_);
    progress_timer_->start();
    // Shown from the event loop: at start-up the main window comes up first.
    QTimer::singleShot(0, this, [this, id] {
        if (scan_.scan && scan_.id == id)
            Form_scanning->show();
    });
}

bool Tform_main::scanning() const
{
    return scan_.scan != nullptr || !abandoned_.empty();
}

void Tform_main::scanEnded(std::uint64_t id)
{
    if (scan_.scan && scan_.id == id) {
        Scan ended = std::move(scan_);
        scan_ = {};
        closeProgress();
        showSlides(ended.scan->result());
        ended.scan.reset(); // with the previous slides
        runIfWaiting();
        return;
    }
    std::erase_if(abandoned_, [id](const Scan& s) { return s.id == id; });
}

void Tform_main::cancelScan()
{
    if (!scan_.scan)
        return;
    // The previous list stays.
    abandonScan();
    run_waiting_ = false;
    closeProgress();
}

void Tform_main::abandonScan()
{
    if (!scan_.scan)
        return;
    // The rebuild ends on its own thread and is dropped then.
    scan_.scan->Cancel();
    abandoned_.push_back(std::move(scan_));
    scan_ = {};
}

void Tform_main::runIfWaiting()
{
    // Run was chosen while the rebuild went on.
    if (std::exchange(run_waiting_, false))
        RunReported([this] { Action_run_runExecute(); });
}

void Tform_main::closeProgress()
{
    progress_timer_->stop();
    if (Form_scanning)
        Form_scanning->hide();
}

void Tform_main::showSlides(treclist& slides)
{
    // The views forget the old rows before the slides they show go.
    ListModel_main->Refill([&] { std::swap(slide_list, slides); });
    StatusNotes->SlidesTooDeep(slide_list.too_deep);
    StatusNotes->MoreKindsLeftOut(slide_list.more_kinds_left_out);

    // Each column as wide as its widest text, header included, plus 10.
    const QFontMetrics fm(ListView_main->font());
    WidestText widest(ListView_main->font(), TSlideListModel::ColumnCount);
    for (int row = 0; row < slide_list.count(); ++row) {
        const trec& slide = slide_list.at(row);
        for (int c = 0; c < TSlideListModel::ColumnCount; ++c) {
            // Most texts are measured from their bytes, without a QString.
            std::string_view pieces[2];
            if (TSlideListModel::asciiText(slide, c, pieces)
                && widest.AddAscii(c, pieces, static_cast<std::uint32_t>(row)))
                continue;
            widest.Add(c, TSlideListModel::text(slide, c), static_cast<std::uint32_t>(row));
        }
    }
    for (int c = 0; c < TSlideListModel::ColumnCount; ++c) {
        const int width = widest.Widest(
            c, [&](std::uint32_t row) { return TSlideListModel::text(slide_list.at(int(row)), c); },
            fm.horizontalAdvance(TSlideListModel::headerText(c)));
        ListView_main->setColumnWidth(c, width + 10);
    }

    // Selecting the first row previews it and plays its sound.
    if (slide_list.count() > 0)
        ListView_main->setCurrentIndex(ListModel_main->index(0, 0));
}

void Tform_main::onSelectionChanged()
{
    const QModelIndexList selected = ListView_main->selectionModel()->selectedRows();
    const QModelIndex item = selected.isEmpty() ? QModelIndex() : selected.first();
    RunReported([&] { ListView_mainSelectItem(item, true); });
}

// The preview shows a picture at its own size from its top-left corner, cut off by the panel,
// which never outgrows the screens: only that much of the picture is decoded, so that a huge
// picture costs no more memory here than one the size of the desktop.
QImage Tform_main::LoadPreview(const std::string& path) const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize bound = screen ? screen->virtualSize().expandedTo(screen->size()) : QSize(3840, 2160);
    CutPicture cut = LoadPictureCut(path, [&](QSize natural) {
        const QSize kept = natural.boundedTo(bound);
        return PictureCut{QRect(QPoint(0, 0), kept), kept};
    });
    if (cut.image.isNull())
        throw EPictureError(QCoreApplication::translate("Pictures", "Cannot load picture \"%1\": %2")
                                .arg(QString::fromStdString(path),
                                     QCoreApplication::translate("Pictures", "the decoder gave no picture"))
                                .toStdString());
    return FlattenOnto(std::move(cut.image), Panel1->palette().color(QPalette::Window).rgb());
}

void Tform_main::ListView_mainSelectItem(const QModelIndex& Item, bool /*Selected*/)
{
    if (!ListView_main->selectionModel()->hasSelection() || !Item.isValid())
        return;
    const trec* slide = ListModel_main->slideAt(Item);
    if (!slide)
        return;

    // Show the new selection before a slow picture load.
    ListView_main->repaint();

    const auto emptyPreview = [this] {
        Image_preview->setPixmap(QPixmap());
        Image_preview->resize(0, 0);
    };
    if (FileExists(slide->image_disk_path)) {
        QImage picture;
        try {
            picture = LoadPreview(slide->image_disk_path);
        } catch (...) {
            // The error box must not sit beside the previous slide's picture.
            emptyPreview();
            throw;
        }
        Image_preview->setPixmap(QPixmap::fromImage(picture));
        Image_preview->resize(picture.size());
        Image_preview->repaint();
    } else {
        emptyPreview();
    }

    if (FileExists(slide->sound_disk_path))
        player_->PlayIfPossible(slide->sound_disk_path);
}

void Tform_main::Action_run_runExecute()
{
    // The show waits for the rebuild under way, and runs on its slides.
    if (scan_.scan) {
        run_waiting_ = true;
        if (Form_scanning)
            Form_scanning->setRunWaiting(true);
        return;
    }
    if (slide_list.count() == 0)
        return;
    player_->Close();
    if (form_run_) {
        form_run_->RunShow(slide_list);
        StatusNotes->UnlockedShow(form_run_->unlockedShowProblem());
    }
}

void Tform_main::Action_run_optionsExecute()
{
    if (!form_options_)
        return;
    if (form_options_->exec() == QDialog::Accepted)
        RefreshSlides();
}

void Tform_main::Action_help_contentsExecute()
{
    help_.DisplayTopic(help_file_);
    help_.HelpContext(help_file_, 0);
}

void Tform_main::Action_help_topicsearchExecute()
{
    help_.DisplayTopic(help_file_);
}

void Tform_main::Action_help_aboutExecute()
{
    ShowAboutBox();
}

void Tform_main::action_file_exitExecute()
{
    help_.CloseAll();
    close();
}

bool Tform_main::eventFilter(QObject* watched, QEvent* event)
{
    // A plain widget draws no focus; the preview panel draws its frame under the picture.
    if (watched == Panel1 && event->type() == QEvent::Paint && Panel1->hasFocus()) {
        QStylePainter painter(Panel1);
        QStyleOptionFocusRect option;
        option.initFrom(Panel1);
        option.backgroundColor = Panel1->palette().color(QPalette::Window);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tform_main::closeEvent(QCloseEvent* event)
{
    // Help windows belong to no window of ours; they go with the program.
    help_.CloseAll();
    event->accept();
}
