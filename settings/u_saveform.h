#pragma once

// Storing a form's controls in the settings file, one entry per control,
// keyed by its objectName(), under a section the caller names.
//
// The walk visits the form, then each child in QObject::children() order
// (creation order, as long as nothing is re-parented, raise()d or lower()ed),
// depth first; the pages of a QStackedWidget (and so of a TPageControl) come
// in page order. Stored kinds, tested in this order, a control matching several
// being handled once for each:
//   1 QLineEdit that is not part of a TLabeledEdit   its text
//   2 TLabeledEdit                                   its text
//   3 TPageControl                                   activePageIndex()
//   4 QCheckBox                                      "1" / "0"
//   5 QRadioButton that is not an item of a TRadioGroup   "1" / "0"
//   6 TRadioGroup                                    itemIndex()
//   7 QPlainTextEdit                                 <name>_line+<i>, one entry per line
//   8 TFontDialogHolder                              font text form
//   9 TColorDialogHolder                             colour text form
// Everything else stores nothing, but its children are still visited.
// A text (kinds 1, 2 and 7) with a blank or control character at either end,
// or wrapped in double quotes itself, is written inside double quotes, and a
// value read in double quotes loses them: the reader trims what it reads.
// Objects without a name, or with Qt's internal "qt_" names, store nothing.
//
// Loading sets check boxes through setChecked() and radio groups through
// setItemIndex(), so toggled() and itemClicked() fire exactly as for a user's
// change.

#include <QString>

class QWidget;

// Restores the form from the file at iniPath and returns true; returns false,
// changing nothing, when there is no file. Throws EFOpenError when the file
// cannot be read, and EConvertError at the first font or colour entry that
// does not convert: controls visited before keep their restored values.
bool LoadFormFromIni(QWidget* form, const QString& section, const QString& iniPath);
bool LoadFormFromIni(QWidget* form, const QString& section); // at IniFileName()

// Replaces the whole file at iniPath by the form's entries in one piece. Throws
// EFOpenError when an existing file cannot be read, EFCreateError when the new
// one cannot be written; either way the old file is left as it was.
void SaveFormToIni(QWidget* form, const QString& section, const QString& iniPath);
void SaveFormToIni(QWidget* form, const QString& section); // at IniFileName()
