#pragma once

// Text forms of the values kept in the settings file: whole numbers, colours
// and the caption font.

#include "settings/options.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <stdexcept>

// A text that does not convert: "'<text>' is not a valid integer value".
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a whole number: leading spaces, an optional sign, then decimal digits,
// or hexadecimal digits after "$", "x", "X", "0x" or "0X". The digits must fill
// the rest of the text. Decimal must fit a signed 32-bit value; hexadecimal may
// use all 32 bits ("$FFFFFFFF" is -1).
bool TryStrToInt(const QString& text, std::int32_t& value);
// As TryStrToInt, but throws EConvertError for a text that is not a whole number.
std::int32_t StrToInt(const QString& text);

// "clBlack", ... for the 52 named colours, otherwise "$" and eight capital hex digits.
QString ColorToString(TColor color);
// A colour name in any letter case, or a whole number; anything else throws EConvertError.
TColor StringToColor(const QString& text);
// Looks up a colour name only (any letter case).
bool IdentToColor(const QString& name, TColor& color);

// "'name=<face>';size=<points>;color=<colour>;style=<bits>", or "default"
// when there is no font. The size is in points at the given resolution.
QString FontToString(const CaptionFont* font, int dpi = 96);
// Applies a font text form to the font; does nothing when there is no font.
// Throws EConvertError for a size or colour item that does not convert, after
// the items before it have been applied.
void StringToFont(const QString& text, CaptionFont* font, int dpi = 96);

// Splits a ';'-separated list where an item may be quoted with "'" (a doubled
// "'" inside stands for one). Blanks and control characters between items are
// skipped and end an unquoted item; a trailing ';' adds an empty item.
QStringList SplitFontItems(const QString& text);

// The longest face name a font keeps.
inline constexpr int kMaxFaceNameLength = 31;
