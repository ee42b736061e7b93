#pragma once

#include "settings/options.h"

#include <QDialog>

#include <utility>
#include <vector>

class QCheckBox;
class QFrame;
class QPushButton;
class QToolButton;
class QWidget;
class FolderPicker;
class TColorDialogHolder;
class TFontDialogHolder;
class TIntegerValidator;
class TLabeledEdit;
class TPageControl;
class TRadioGroup;

// The options dialog. Its controls hold the settings; the record `options()`
// follows every change to them, so readers always see what the dialog holds.
class TForm_options : public QDialog {
    Q_OBJECT
public:
    // iniPath: the settings file; firstRunFolder: the data folder a first run
    // (no settings file yet) shows; picker: the folder picker for the browse button.
    TForm_options(const QString& iniPath, const QString& firstRunFolder, FolderPicker& picker, QWidget* parent = nullptr);

    const Options& options() const { return options_; }
    QString iniPath() const { return ini_path_; }

    // Shows `folder` in place of the stored data folder for this run only
    // (the folder named on the command line). The settings file keeps its
    // stored folder when OK is pressed with this folder still in the dialog;
    // a different folder chosen in the dialog is written on OK as usual, and
    // from then on the stored folder is the one shown.
    void setFolderForThisRun(const QString& folder);

    // Handlers.
    void cb_images_enableClick();
    void cb_captions_enableClick();
    void sb_captions_fontClick();
    void sb_backgroundClick();
    void sb_browseClick();
    // Runs whenever the dialog is about to close; returns whether it may.
    // Only OK with a settings file that cannot be written keeps it open.
    bool FormCloseQuery(int result);

    struct SettingControl;

    // Controls, in creation order (the order the settings file is written in).
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    TPageControl* PageControl_main = nullptr;
    QWidget* ts_data = nullptr;
    QToolButton* sb_captions_font = nullptr;
    QToolButton* sb_browse = nullptr;
    TLabeledEdit* le_folder = nullptr;
    QCheckBox* cb_subfolders = nullptr;
    QCheckBox* cb_more_kinds = nullptr;
    QCheckBox* cb_sounds_enable = nullptr;
    QCheckBox* cb_images_enable = nullptr;
    TRadioGroup* rg_captions_case = nullptr;
    TRadioGroup* rg_captions_when = nullptr;
    QWidget* gb_background = nullptr;
    QToolButton* sb_background = nullptr;
    QFrame* Panel_back_color = nullptr;
    QCheckBox* cb_background_auto = nullptr;
    QCheckBox* cb_images_stretch = nullptr;
    QWidget* ts_params = nullptr;
    TRadioGroup* rg_order = nullptr;
    QWidget* gb_params_advance = nullptr;
    QCheckBox* cb_advance_keypress = nullptr;
    TLabeledEdit* le_advance_auto_interval = nullptr;
    QCheckBox* cb_advance_auto = nullptr;
    QCheckBox* CheckBox_keyboark_lock = nullptr;
    QWidget* GroupBox1 = nullptr;
    QCheckBox* cb_keyboard_splash = nullptr;
    TFontDialogHolder* FontDialog_captions = nullptr;
    TColorDialogHolder* ColorDialog_background = nullptr;

public slots:
    void done(int result) override;

private:
    void FormCreate(const QString& firstRunFolder);
    void updateSwatch();
    // Copies the controls' state into the record.
    void updateRecord();

    // Writes the settings file, with the stored folder in place of a folder
    // shown for this run only.
    void saveSettings();

    QString ini_path_;
    FolderPicker& picker_;
    QString run_folder_;    // the folder shown for this run only; empty when none
    QString stored_folder_; // the settings file's folder while run_folder_ is shown
    TIntegerValidator* interval_validator_ = nullptr;
    Options options_;
    // The controls the table made for the record's members, with their rows.
    std::vector<std::pair<QWidget*, const SettingControl*>> settingControls_;
};
