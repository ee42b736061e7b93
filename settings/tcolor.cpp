#include "settings/tcolor.h"

#include <QGuiApplication>
#include <QPalette>
#include <iterator>

namespace {

QColor FromBgr(TColor c)
{
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

} // namespace

QColor TColorToQColor(TColor color)
{
    if ((color & 0xFF000000u) != 0xFF000000u)
        return FromBgr(color & 0x00FFFFFFu);

    const unsigned index = color & 0x00FFFFFFu;
    const QPalette palette = QGuiApplication::palette();
    auto role = [&](QPalette::ColorRole r, QPalette::ColorGroup g = QPalette::Active) { return palette.color(g, r); };
    switch (index) {
    case 4: return role(QPalette::Window);               // clMenu
    case 5: return role(QPalette::Base);                 // clWindow
    case 7: return role(QPalette::WindowText);           // clMenuText
    case 8: return role(QPalette::Text);                 // clWindowText
    case 12: return role(QPalette::Dark);                // clAppWorkSpace
    case 13: return role(QPalette::Highlight);           // clHighlight
    case 14: return role(QPalette::HighlightedText);     // clHighlightText
    case 15: return role(QPalette::Button);              // clBtnFace
    case 16: return role(QPalette::Mid);                 // clBtnShadow
    case 17: return role(QPalette::Text, QPalette::Disabled); // clGrayText
    case 18: return role(QPalette::ButtonText);          // clBtnText
    case 20: return role(QPalette::Light);               // clBtnHighlight
    case 21: return role(QPalette::Shadow);              // cl3DDkShadow
    case 22: return role(QPalette::Midlight);            // cl3DLight
    case 23: return role(QPalette::ToolTipText);         // clInfoText
    case 24: return role(QPalette::ToolTipBase);         // clInfoBk
    case 26: return role(QPalette::Link);                // clHotLight
    case 30: return role(QPalette::Window);              // clMenuBar
    default: break;
    }
    // The classic desktop defaults for the rest.
    static const TColor fixed[] = {
        0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
        0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xFF9933, 0xFFFFFF, 0xF0F0F0,
        0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
        0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0,
    };
    return index < std::size(fixed) ? FromBgr(fixed[index]) : QColor(Qt::black);
}

TColor QColorToTColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return static_cast<TColor>(rgb.red()) | (static_cast<TColor>(rgb.green()) << 8) | (static_cast<TColor>(rgb.blue()) << 16);
}
