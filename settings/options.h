#pragma once

#include <QString>
#include <cstdint>

// A colour value as the settings hold it: 0x00BBGGRR, red in the low byte.
// Values with a high byte of 0xFF name a system colour by its index.
using TColor = std::uint32_t;

// Font style bits as the settings file stores them.
enum FontStyleBits : int { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// The caption font. The height in pixels is what is held; the size in points
// is derived from it at a given resolution (96 dots per inch unless told).
struct CaptionFont {
    QString name = QStringLiteral("Tahoma");
    int height = -93;
    TColor color = 0x000000FF; // red
    int style = 0;

    int size(int dpi = 96) const;
    void setSize(int points, int dpi = 96);
    bool operator==(const CaptionFont&) const = default;
};

// What the numbered options mean: the item index of their radio groups.

// Captions Capitalization.
enum CaptionCase : int { ccUnchanged = 0, ccUppercase = 1, ccLowercase = 2 };
// Display Captions.
enum CaptionsWhen : int { cwAlways = 0, cwNever = 1, cwWithoutImage = 2 };
// Order.
enum SlideOrder : int { soUnsorted = 0, soAlphabetical = 1, soRandom = 2 };

// Whether a Display Captions value shows captions on any slide, so that the
// caption's case and font matter. No choice (-1) shows none.
constexpr bool CaptionsShown(int when)
{
    return when == cwAlways || when == cwWithoutImage;
}

// Whether a slide's caption is drawn, given whether its picture was.
constexpr bool CaptionDrawn(int when, bool pictureDrawn)
{
    return when == cwAlways || (when == cwWithoutImage && !pictureDrawn);
}

// Rounds to the nearest whole number, halves away from zero.
int RoundHalfAway(double v);

// The settings record: one value per control of the options dialog, named by
// the control. Every reader takes the value at the moment of use, except a
// slide list rebuild, which works from a copy taken when it starts. Members are in the dialog's creation order, which is also the order
// of the settings file. The defaults here are the dialog's starting state.
struct Options {
    int PageControl_main = 0;
    QString le_folder;
    bool cb_subfolders = true;
    bool cb_more_kinds = false;
    bool cb_sounds_enable = true;
    bool cb_speak_captions = false;
    bool cb_images_enable = true;
    int rg_captions_case = ccUppercase;
    int rg_captions_when = cwWithoutImage;
    bool cb_background_auto = false;
    bool cb_images_stretch = true;
    int rg_order = soRandom;
    bool cb_advance_keypress = true;
    bool cb_advance_click = false;
    QString le_advance_auto_interval = QStringLiteral("5000");
    bool cb_advance_auto = false;
    bool CheckBox_keyboark_lock = true;
    bool cb_keyboard_splash = true;
    CaptionFont FontDialog_captions;
    TColor ColorDialog_background = 0x00000000; // black

    bool operator==(const Options&) const = default;
};
