#include "settings/f_options.h"

#include "errors/error_report.h"
#include "ui/folder_picker.h"
#include "settings/controls.h"
#include "settings/ini_file.h"
#include "settings/integer_validator.h"
#include "settings/tcolor.h"
#include "settings/text_forms.h"
#include "settings/u_saveform.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStyle>
#include <QToolButton>

#include <type_traits>
#include <variant>
#include <vector>

namespace {

const QString kSection = QStringLiteral("options");

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption, QRect geometry, bool checked)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    box->setChecked(checked);
    return box;
}

TRadioGroup* radioGroup(QWidget* parent, const char* name, const QString& caption, const QStringList& items,
                        QRect geometry, int index)
{
    auto* group = new TRadioGroup(caption, items, parent);
    group->setObjectName(QLatin1String(name));
    group->setGeometry(geometry);
    group->setItemIndex(index);
    return group;
}

TLabeledEdit* labeledEdit(QWidget* parent, const char* name, const QString& caption,
                          TLabeledEdit::LabelPosition position, QRect editGeometry, const QString& text)
{
    auto* edit = new TLabeledEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setLabelCaption(caption);
    edit->setLabelPosition(position);
    edit->setEditGeometry(editGeometry);
    edit->setText(text);
    return edit;
}

QGroupBox* groupBox(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    return box;
}

// Small glyphs of our own for the two speed buttons, with a disabled form from Qt.
QIcon fontGlyph()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f(QStringLiteral("Serif"));
    f.setPixelSize(14);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0xc6, 0x28, 0x28));
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("A"));
    return QIcon(pm);
}

QIcon folderGlyph()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0x9a, 0x6b, 0x00));
    p.setBrush(QColor(0xf9, 0xc8, 0x4a));
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.drawRect(QRectF(1.5, 2.5, 6, 2));
    return QIcon(pm);
}

QToolButton* speedButton(QWidget* parent, const char* name, const QString& caption, QRect geometry, const QIcon& icon)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(false);
    if (!icon.isNull()) {
        button->setIcon(icon);
        button->setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
    } else {
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    return button;
}

} // namespace

// Every control of the dialog that the settings file stores, with the pages and boxes that hold
// them, in the order they are made (the order of the settings file and of the Tab key). A new
// setting is a member of Options with its default, and a row here.
struct TForm_options::SettingControl {
    enum class Kind { Page, Group, CheckBox, WrappedCheckBox, RadioGroup, EditAbove, EditLeft };
    using Value = std::variant<std::monostate, bool Options::*, int Options::*, QString Options::*>;
    // The dialog's member that names the control, where the code needs one.
    using Member = std::variant<std::monostate, QWidget* TForm_options::*, QCheckBox* TForm_options::*,
                                TRadioGroup* TForm_options::*>;

    Kind kind;
    const char* key;                  // the object's name, and its key in the settings file
    QWidget* TForm_options::*parent;  // the page or box it sits on; none for a page
    const char* caption;              // in English, shown in the desktop's language
    QRect geometry;
    Value value;
    Member member = {};
    std::vector<const char*> items = {};  // a radio group's, as the caption
};

namespace {

using Row = TForm_options::SettingControl;
using K = Row::Kind;
using F = TForm_options;

const Row kSettingControls[] = {
    {K::Page, "ts_data", nullptr,
     QT_TRANSLATE_NOOP("TForm_options", "Data"),
     {}, {}, &F::ts_data},
    {K::EditAbove, "le_folder", &F::ts_data,
     QT_TRANSLATE_NOOP("TForm_options", "Folder to scan for data"),
     {10, 26, 312, 21}, &Options::le_folder},
    {K::CheckBox, "cb_subfolders", &F::ts_data,
     QT_TRANSLATE_NOOP("TForm_options", "Include Subfolders"),
     {10, 53, 130, 17}, &Options::cb_subfolders, &F::cb_subfolders},
    // A caption too long for one line of the page: it takes two.
    {K::WrappedCheckBox, "cb_more_kinds", &F::ts_data,
     QT_TRANSLATE_NOOP("TForm_options", "Also use .jpeg, .gif, .webp, .heic, .avif, .ogg, .opus, .flac and .m4a files"),
     {10, 70, 330, 26}, &Options::cb_more_kinds, &F::cb_more_kinds},
    {K::CheckBox, "cb_sounds_enable", &F::ts_data,
     QT_TRANSLATE_NOOP("TForm_options", "Play Sounds"),
     {10, 119, 97, 17}, &Options::cb_sounds_enable, &F::cb_sounds_enable},
    {K::WrappedCheckBox, "cb_speak_captions", &F::ts_data,
     QT_TRANSLATE_NOOP("TForm_options", "Say the caption when a slide has no sound"),
     {110, 114, 240, 30}, &Options::cb_speak_captions},
    {K::CheckBox, "cb_images_enable", &F::ts_data,
     QT_TRANSLATE_NOOP("TForm_options", "Display Images"),
     {10, 96, 97, 17}, &Options::cb_images_enable, &F::cb_images_enable},
    {K::RadioGroup, "rg_captions_case", &F::ts_data,
     QT_TRANSLATE_NOOP("TForm_options", "Captions Capitalization"),
     {182, 151, 154, 80}, &Options::rg_captions_case, &F::rg_captions_case,
     {QT_TRANSLATE_NOOP("TForm_options", "Unchanged "),
      QT_TRANSLATE_NOOP("TForm_options", "Uppercase"),
      QT_TRANSLATE_NOOP("TForm_options", "Lowercase")}},
    {K::RadioGroup, "rg_captions_when", &F::ts_data,
     QT_TRANSLATE_NOOP("TForm_options", "Display Captions"),
     {10, 151, 166, 80}, &Options::rg_captions_when, &F::rg_captions_when,
     {QT_TRANSLATE_NOOP("TForm_options", "Always"),
      QT_TRANSLATE_NOOP("TForm_options", "Never"),
      QT_TRANSLATE_NOOP("TForm_options", "When there is no image")}},
    {K::Group, "gb_background", &F::ts_data,
     QT_TRANSLATE_NOOP("TForm_options", "Background Color"),
     {3, 275, 333, 78}, {}, &F::gb_background},
    {K::CheckBox, "cb_background_auto", &F::gb_background,
     QT_TRANSLATE_NOOP("TForm_options", "Automatic color selection"),
     {7, 48, 145, 17}, &Options::cb_background_auto, &F::cb_background_auto},
    {K::CheckBox, "cb_images_stretch", &F::ts_data,
     QT_TRANSLATE_NOOP("TForm_options", "Stretch images"),
     {130, 96, 97, 17}, &Options::cb_images_stretch, &F::cb_images_stretch},
    {K::Page, "ts_params", nullptr,
     QT_TRANSLATE_NOOP("TForm_options", "Presentation"),
     {}, {}, &F::ts_params},
    {K::RadioGroup, "rg_order", &F::ts_params,
     QT_TRANSLATE_NOOP("TForm_options", "Order"),
     {13, 11, 324, 98}, &Options::rg_order, &F::rg_order,
     {QT_TRANSLATE_NOOP("TForm_options", "Unsorted"),
      QT_TRANSLATE_NOOP("TForm_options", "Alphabetical Order (on caption)"),
      QT_TRANSLATE_NOOP("TForm_options", "Random Order")}},
    {K::Group, "gb_params_advance", &F::ts_params,
     QT_TRANSLATE_NOOP("TForm_options", "Advance"),
     {13, 123, 324, 150}, {}, &F::gb_params_advance},
    {K::CheckBox, "cb_advance_keypress", &F::gb_params_advance,
     QT_TRANSLATE_NOOP("TForm_options", "Advance with keypress"),
     {10, 79, 161, 17}, &Options::cb_advance_keypress, &F::cb_advance_keypress},
    {K::CheckBox, "cb_advance_click", &F::gb_params_advance,
     QT_TRANSLATE_NOOP("TForm_options", "A click or a tap shows the next slide"),
     {10, 96, 300, 17}, &Options::cb_advance_click},
    {K::EditLeft, "le_advance_auto_interval", &F::gb_params_advance,
     QT_TRANSLATE_NOOP("TForm_options", "Advance interval (msec)"),
     {191, 44, 49, 21}, &Options::le_advance_auto_interval},
    {K::CheckBox, "cb_advance_auto", &F::gb_params_advance,
     QT_TRANSLATE_NOOP("TForm_options", "Auto Advance"),
     {10, 24, 97, 17}, &Options::cb_advance_auto, &F::cb_advance_auto},
    {K::CheckBox, "CheckBox_keyboark_lock", &F::gb_params_advance,
     QT_TRANSLATE_NOOP("TForm_options", "Lock keyboard  (i.e. disable Alt-Tab, Win-key, F-keys, etc)"),
     {10, 114, 311, 17}, &Options::CheckBox_keyboark_lock, &F::CheckBox_keyboark_lock},
    {K::Group, "GroupBox1", &F::ts_params,
     QT_TRANSLATE_NOOP("TForm_options", "Keyboard"),
     {13, 279, 324, 66}, {}, &F::GroupBox1},
    {K::CheckBox, "cb_keyboard_splash", &F::GroupBox1,
     QT_TRANSLATE_NOOP("TForm_options", "Show splash screen with keyboard help"),
     {10, 30, 230, 17}, &Options::cb_keyboard_splash, &F::cb_keyboard_splash},
};

} // namespace

TForm_options::TForm_options(const QString& iniPath, const QString& firstRunFolder, FolderPicker& picker, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , ini_path_(iniPath)
    , picker_(picker)
{
    setObjectName(QStringLiteral("Form_options"));
    setWindowTitle(tr("Options"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(379, 447);
    move(0, 0);

    // The controls start from the settings record's defaults.
    const Options defaults;

    // Created in the order the settings file lists them.
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), tr("Cancel"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(294, 408, 75, 25);
    BitBtn1->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);

    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), tr("OK"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(213, 408, 75, 25);
    BitBtn2->setDefault(true);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::accept);

    PageControl_main = new TPageControl(this);
    PageControl_main->setObjectName(QStringLiteral("PageControl_main"));
    PageControl_main->setGeometry(8, 8, 361, 394);

    // The pages, the stored controls and the boxes that hold some of them, from the table.
    std::vector<QWidget*> tabOrder;
    for (const SettingControl& row : kSettingControls) {
        QWidget* parent = row.parent ? this->*row.parent : nullptr;
        const QString caption = tr(row.caption);
        QWidget* made = nullptr;
        switch (row.kind) {
        case SettingControl::Kind::Page:
            made = new QWidget;
            made->setObjectName(QLatin1String(row.key));
            PageControl_main->addTab(made, caption);
            break;
        case SettingControl::Kind::Group:
            made = groupBox(parent, row.key, caption, row.geometry);
            break;
        case SettingControl::Kind::CheckBox:
            made = checkBox(parent, row.key, caption, row.geometry, defaults.*std::get<bool Options::*>(row.value));
            break;
        case SettingControl::Kind::WrappedCheckBox: {
            auto* box = new TWrappedCheckBox(caption, parent);
            box->setObjectName(QLatin1String(row.key));
            box->setGeometry(row.geometry);
            box->setChecked(defaults.*std::get<bool Options::*>(row.value));
            made = box;
            break;
        }
        case SettingControl::Kind::RadioGroup: {
            QStringList items;
            for (const char* item : row.items)
                items << tr(item);
            made = radioGroup(parent, row.key, caption, items, row.geometry,
                              defaults.*std::get<int Options::*>(row.value));
            break;
        }
        case SettingControl::Kind::EditAbove:
        case SettingControl::Kind::EditLeft: {
            auto* edit = labeledEdit(parent, row.key, caption,
                                     row.kind == SettingControl::Kind::EditAbove ? TLabeledEdit::LabelPosition::Above
                                                                                 : TLabeledEdit::LabelPosition::Left,
                                     row.geometry, defaults.*std::get<QString Options::*>(row.value));
            tabOrder.push_back(edit->edit());
            made = edit;
            break;
        }
        }
        std::visit([&](auto member) {
            if constexpr (!std::is_same_v<decltype(member), std::monostate>)
                this->*member = static_cast<std::remove_reference_t<decltype(this->*member)>>(made);
        }, row.member);
        if (row.kind == SettingControl::Kind::CheckBox || row.kind == SettingControl::Kind::WrappedCheckBox
            || row.kind == SettingControl::Kind::RadioGroup)
            tabOrder.push_back(made);
        if (row.value.index() != 0)
            settingControls_.push_back({made, &row});
        // The buttons that go with the data page, and the swatch that goes with its colour box.
        if (made == ts_data) {
            sb_captions_font = speedButton(ts_data, "sb_captions_font", tr("Select Captions Font "),
                                           QRect(10, 237, 144, 32), fontGlyph());
            sb_captions_font->setFont(font);
            sb_browse = speedButton(ts_data, "sb_browse", QString(), QRect(327, 26, 23, 22), folderGlyph());
        }
        if (made == gb_background) {
            sb_background = speedButton(gb_background, "sb_background", tr("Default Background Color"),
                                        QRect(7, 20, 141, 22), QIcon());
            Panel_back_color = new QFrame(gb_background);
            Panel_back_color->setObjectName(QStringLiteral("Panel_back_color"));
            Panel_back_color->setGeometry(154, 19, 24, 23);
            Panel_back_color->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            Panel_back_color->setAutoFillBackground(true);
        }
    }
    le_folder = findChild<TLabeledEdit*>(QStringLiteral("le_folder"));
    le_advance_auto_interval = findChild<TLabeledEdit*>(QStringLiteral("le_advance_auto_interval"));
    interval_validator_ = new TIntegerValidator(le_advance_auto_interval);
    le_advance_auto_interval->edit()->setValidator(interval_validator_);

    FontDialog_captions = new TFontDialogHolder(this);
    FontDialog_captions->setObjectName(QStringLiteral("FontDialog_captions"));
    FontDialog_captions->setFont(defaults.FontDialog_captions);
    ColorDialog_background = new TColorDialogHolder(this);
    ColorDialog_background->setObjectName(QStringLiteral("ColorDialog_background"));
    ColorDialog_background->setColor(defaults.ColorDialog_background);

    PageControl_main->setActivePageIndex(defaults.PageControl_main);

    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, PageControl_main);
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    // A change made by the program fires these exactly as a user's click does.
    connect(cb_images_enable, &QCheckBox::toggled, this, [this] { cb_images_enableClick(); });
    connect(rg_captions_when, &TRadioGroup::itemClicked, this, [this] { cb_captions_enableClick(); });
    connect(sb_captions_font, &QToolButton::clicked, this, [this] { RunReported([this] { sb_captions_fontClick(); }); });
    connect(sb_background, &QToolButton::clicked, this, [this] { RunReported([this] { sb_backgroundClick(); }); });
    connect(sb_browse, &QToolButton::clicked, this, [this] { RunReported([this] { sb_browseClick(); }); });

    // The record follows the controls.
    for (QCheckBox* box : findChildren<QCheckBox*>())
        connect(box, &QCheckBox::toggled, this, [this] { updateRecord(); });
    for (TRadioGroup* group : findChildren<TRadioGroup*>()) {
        connect(group, &TRadioGroup::itemClicked, this, &TForm_options::updateRecord);
        for (int i = 0; i < group->count(); ++i)
            connect(group->button(i), &QAbstractButton::toggled, this, [this] { updateRecord(); });
    }
    connect(le_folder, &TLabeledEdit::textChanged, this, [this] { updateRecord(); });
    connect(le_advance_auto_interval, &TLabeledEdit::textChanged, this, [this] { updateRecord(); });
    // An unfinished interval falls back to the last one that converted, or to
    // what the program put there: a value from the file stays as it was.
    connect(le_advance_auto_interval->edit(), &QLineEdit::textChanged, this, [this](const QString& text) {
        std::int32_t value = 0;
        if (!le_advance_auto_interval->edit()->isModified() || TryStrToInt(text, value))
            interval_validator_->setFallback(text);
    });
    interval_validator_->setFallback(le_advance_auto_interval->text());
    connect(PageControl_main, &QTabWidget::currentChanged, this, [this] { updateRecord(); });

    updateRecord();
    FormCreate(firstRunFolder);
}

void TForm_options::updateRecord()
{
    Options& o = options_;
    o.PageControl_main = PageControl_main->activePageIndex();
    for (const auto& [widget, row] : settingControls_) {
        if (auto* box = qobject_cast<QCheckBox*>(widget))
            o.*std::get<bool Options::*>(row->value) = box->isChecked();
        else if (auto* group = qobject_cast<TRadioGroup*>(widget))
            o.*std::get<int Options::*>(row->value) = group->itemIndex();
        else if (auto* edit = qobject_cast<TLabeledEdit*>(widget))
            o.*std::get<QString Options::*>(row->value) = edit->text();
    }
    o.FontDialog_captions = FontDialog_captions->font();
    o.ColorDialog_background = ColorDialog_background->color();
}

void TForm_options::FormCreate(const QString& firstRunFolder)
{
    // A failure here is reported and start-up goes on with what was restored.
    const bool ok = RunReported([&] {
        const auto sync = qScopeGuard([this] { updateRecord(); });
        if (!LoadFormFromIni(this, kSection, ini_path_)) {
            le_folder->setText(firstRunFolder);
            SaveFormToIni(this, kSection, ini_path_);
        }
    });
    if (!ok)
        return;
    cb_captions_enableClick();
    updateSwatch();
}

void TForm_options::updateSwatch()
{
    QPalette pal = Panel_back_color->palette();
    pal.setColor(QPalette::Window, TColorToQColor(ColorDialog_background->color()));
    Panel_back_color->setPalette(pal);
}

void TForm_options::cb_images_enableClick()
{
    cb_images_stretch->setEnabled(cb_images_enable->isChecked());
}

void TForm_options::cb_captions_enableClick()
{
    const bool enabled = CaptionsShown(rg_captions_when->itemIndex());
    rg_captions_case->setEnabled(enabled);
    sb_captions_font->setEnabled(enabled);
}

void TForm_options::sb_captions_fontClick()
{
    FontDialog_captions->execute(this);
    updateRecord();
}

void TForm_options::sb_backgroundClick()
{
    ColorDialog_background->execute(this);
    updateRecord();
    updateSwatch();
}

void TForm_options::sb_browseClick()
{
    // The picker belongs to the program's main window, not to this dialog.
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QString folder = picker_.BrowseForFolder(owner, tr("Data Folder,"), le_folder->text());
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        le_folder->setText(folder);
}

bool TForm_options::FormCloseQuery(int result)
{
    const auto sync = qScopeGuard([this] { updateRecord(); });
    if (result == QDialog::Accepted) {
        // OK may come without the edit losing focus, which is where the edit
        // itself would have fallen back.
        QLineEdit* interval = le_advance_auto_interval->edit();
        if (!interval->hasAcceptableInput() && interval->isModified())
            interval->setText(interval_validator_->fallback());
        try {
            saveSettings();
        } catch (const EFReadOnlyError&) {
            // Someone froze the settings on purpose: pressing OK again cannot
            // help, so the edited values serve this run without being stored.
            ReportException(std::current_exception());
        } catch (...) {
            ReportException(std::current_exception());
            return false;
        }
        return true;
    }
    // A file that cannot be read back must not trap the user in the dialog:
    // its error is shown once, and whatever was restored before it stays.
    RunReported([&] { LoadFormFromIni(this, kSection, ini_path_); });
    if (!run_folder_.isEmpty()) {
        stored_folder_ = le_folder->text();
        le_folder->setText(run_folder_);
    }
    updateSwatch();
    return true;
}

void TForm_options::setFolderForThisRun(const QString& folder)
{
    stored_folder_ = le_folder->text();
    run_folder_ = folder;
    le_folder->setText(folder);
}

void TForm_options::saveSettings()
{
    if (run_folder_.isEmpty() || le_folder->text() != run_folder_) {
        // The folder chosen here is the stored one from now on, also where a
        // frozen file keeps it for this run only, as it does every setting.
        const auto forgetRunFolder = [this] {
            run_folder_.clear();
            stored_folder_.clear();
        };
        try {
            SaveFormToIni(this, kSection, ini_path_);
        } catch (const EFReadOnlyError&) {
            forgetRunFolder();
            throw;
        }
        forgetRunFolder();
        return;
    }
    // The file is written from the controls: the stored folder goes into the
    // edit for the moment of writing, and the run's folder comes back after,
    // whether the writing worked or not.
    const auto restore = qScopeGuard([this] { le_folder->setText(run_folder_); });
    le_folder->setText(stored_folder_);
    SaveFormToIni(this, kSection, ini_path_);
}

void TForm_options::done(int result)
{
    // An error keeps the dialog open with the values as edited.
    if (!FormCloseQuery(result)) {
        setResult(0);
        return;
    }
    QDialog::done(result);
}
