#include "settings/text_forms.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <array>

namespace {

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

[[noreturn]] void ThrowNotInteger(const QString& text)
{
    throw EConvertError(QCoreApplication::translate("TextForms", "'%1' is not a valid integer value").arg(text).toStdString());
}

struct NamedColor {
    const char* name;
    TColor value;
};

constexpr TColor Rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }
constexpr TColor Sys(unsigned index) { return 0xFF000000u + index; }

constexpr std::array<NamedColor, 52> kNamedColors{{
    {"clBlack", Rgb(0, 0, 0)},
    {"clMaroon", Rgb(128, 0, 0)},
    {"clGreen", Rgb(0, 128, 0)},
    {"clOlive", Rgb(128, 128, 0)},
    {"clNavy", Rgb(0, 0, 128)},
    {"clPurple", Rgb(128, 0, 128)},
    {"clTeal", Rgb(0, 128, 128)},
    {"clGray", Rgb(128, 128, 128)},
    {"clSilver", Rgb(192, 192, 192)},
    {"clRed", Rgb(255, 0, 0)},
    {"clLime", Rgb(0, 255, 0)},
    {"clYellow", Rgb(255, 255, 0)},
    {"clBlue", Rgb(0, 0, 255)},
    {"clFuchsia", Rgb(255, 0, 255)},
    {"clAqua", Rgb(0, 255, 255)},
    {"clWhite", Rgb(255, 255, 255)},
    {"clMoneyGreen", Rgb(192, 220, 192)},
    {"clSkyBlue", Rgb(166, 202, 240)},
    {"clCream", Rgb(255, 251, 240)},
    {"clMedGray", Rgb(160, 160, 164)},
    {"clActiveBorder", Sys(10)},
    {"clActiveCaption", Sys(2)},
    {"clAppWorkSpace", Sys(12)},
    {"clBackground", Sys(1)},
    {"clBtnFace", Sys(15)},
    {"clBtnHighlight", Sys(20)},
    {"clBtnShadow", Sys(16)},
    {"clBtnText", Sys(18)},
    {"clCaptionText", Sys(9)},
    {"clGradientActiveCaption", Sys(27)},
    {"clGradientInactiveCaption", Sys(28)},
    {"clGrayText", Sys(17)},
    {"clHighlight", Sys(13)},
    {"clHighlightText", Sys(14)},
    {"clHotLight", Sys(26)},
    {"clInactiveBorder", Sys(11)},
    {"clInactiveCaption", Sys(3)},
    {"clInactiveCaptionText", Sys(19)},
    {"clInfoBk", Sys(24)},
    {"clInfoText", Sys(23)},
    {"clMenu", Sys(4)},
    {"clMenuBar", Sys(30)},
    {"clMenuHighlight", Sys(29)},
    {"clMenuText", Sys(7)},
    {"clScrollBar", Sys(0)},
    {"cl3DDkShadow", Sys(21)},
    {"cl3DLight", Sys(22)},
    {"clWindow", Sys(5)},
    {"clWindowFrame", Sys(6)},
    {"clWindowText", Sys(8)},
    {"clNone", 0x1FFFFFFFu},
    {"clDefault", 0x20000000u},
}};

bool IsBlank(QChar c) { return c.unicode() <= 32; }

constexpr std::int32_t kMaxFontPoints = 1000000;

} // namespace

bool TryStrToInt(const QString& text, std::int32_t& value)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < n && (text[i] == QLatin1Char('$') || text[i] == QLatin1Char('x') || text[i] == QLatin1Char('X'))) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == QLatin1Char('0') && (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        return false;

    std::uint64_t magnitude = 0;
    for (; i < n; ++i) {
        const int d = hex ? HexDigit(text[i]) : (text[i].isDigit() && text[i].unicode() < 128 ? text[i].unicode() - '0' : -1);
        if (d < 0)
            return false;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<unsigned>(d);
        if (magnitude > 0xFFFFFFFFull)
            return false;
    }
    if (hex) {
        // Hexadecimal covers the full 32 bits and wraps into the negative range.
        std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
        if (negative)
            bits = 0u - bits;
        value = static_cast<std::int32_t>(bits);
        return true;
    }
    if (negative) {
        if (magnitude > 0x80000000ull)
            return false;
        value = static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
    } else {
        if (magnitude > 0x7FFFFFFFull)
            return false;
        value = static_cast<std::int32_t>(magnitude);
    }
    return true;
}

std::int32_t StrToInt(const QString& text)
{
    std::int32_t v = 0;
    if (!TryStrToInt(text, v))
        ThrowNotInteger(text);
    return v;
}

QString ColorToString(TColor color)
{
    for (const NamedColor& c : kNamedColors)
        if (c.value == color)
            return QString::fromLatin1(c.name);
    return QStringLiteral("$%1").arg(color, 8, 16, QLatin1Char('0')).toUpper();
}

bool IdentToColor(const QString& name, TColor& color)
{
    for (const NamedColor& c : kNamedColors) {
        if (name.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            color = c.value;
            return true;
        }
    }
    return false;
}

TColor StringToColor(const QString& text)
{
    TColor c = 0;
    if (IdentToColor(text, c))
        return c;
    return static_cast<TColor>(StrToInt(text));
}

QString FontToString(const CaptionFont* font, int dpi)
{
    if (!font)
        return QStringLiteral("default");
    QString name = QStringLiteral("name=") + font->name;
    name.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QStringLiteral("'%1';size=%2;color=%3;style=%4")
        .arg(name)
        .arg(font->size(dpi))
        .arg(ColorToString(font->color))
        .arg(font->style & (fsBold | fsItalic | fsUnderline | fsStrikeOut));
}

QStringList SplitFontItems(const QString& text)
{
    QStringList items;
    // A NUL ends the text, as it would for a C string.
    const qsizetype nul = text.indexOf(QChar(0));
    const qsizetype n = nul < 0 ? text.size() : nul;
    const QChar quote = QLatin1Char('\'');
    const QChar delimiter = QLatin1Char(';');

    qsizetype i = 0;
    while (i < n && IsBlank(text[i]))
        ++i;
    while (i < n) {
        QString item;
        if (text[i] == quote) {
            ++i;
            while (i < n) {
                if (text[i] == quote) {
                    if (i + 1 < n && text[i + 1] == quote) {
                        item += quote;
                        i += 2;
                        continue;
                    }
                    ++i; // closing quote
                    break;
                }
                item += text[i++];
            }
        } else {
            const qsizetype start = i;
            while (i < n && !IsBlank(text[i]) && text[i] != delimiter)
                ++i;
            item = text.mid(start, i - start);
        }
        items.append(item);
        while (i < n && IsBlank(text[i]))
            ++i;
        if (i < n && text[i] == delimiter) {
            if (i + 1 == n)
                items.append(QString());
            do
                ++i;
            while (i < n && IsBlank(text[i]));
        }
    }
    return items;
}

namespace {

QString ItemValue(const QStringList& items, QLatin1String name)
{
    for (const QString& item : items) {
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        if (eq >= 0 && item.left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return item.mid(eq + 1);
    }
    return QString();
}

} // namespace

void StringToFont(const QString& text, CaptionFont* font, int dpi)
{
    if (!font)
        return;
    const QStringList items = SplitFontItems(text);

    const QString face = ItemValue(items, QLatin1String("name"));
    if (!face.isEmpty())
        font->name = face.left(kMaxFaceNameLength);

    const QString size = ItemValue(items, QLatin1String("size"));
    if (!size.isEmpty()) {
        // Sizes far beyond any real font are held back so that the height in
        // pixels stays representable.
        const std::int32_t points = std::clamp(StrToInt(size), -kMaxFontPoints, kMaxFontPoints);
        font->setSize(points, dpi);
    }

    const QString color = ItemValue(items, QLatin1String("color"));
    if (!color.isEmpty())
        font->color = StringToColor(color);

    std::int32_t style = 0;
    if (!TryStrToInt(ItemValue(items, QLatin1String("style")), style))
        style = 0;
    font->style = style & (fsBold | fsItalic | fsUnderline | fsStrikeOut);
}
