#include "settings/caption_font_dialog.h"

#include "settings/tcolor.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

TCaptionFontDialog::TCaptionFontDialog(QWidget* parent)
    : QDialog(parent)
    , m_fontPart(new QFontDialog(this))
    , m_colorButton(new QPushButton(tr("&Colour..."), this))
{
    setObjectName(QStringLiteral("FontDialog_captions_dialog"));
    setWindowTitle(tr("Font"));

    // The font dialog serves as a plain widget inside this one.
    m_fontPart->setObjectName(QStringLiteral("FontPart"));
    m_fontPart->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_fontPart->setWindowFlags(Qt::Widget);
    m_fontPart->setSizeGripEnabled(false);
    // Esc or Enter inside it would close only the embedded part.
    connect(m_fontPart, &QDialog::rejected, this, &QDialog::reject);
    connect(m_fontPart, &QDialog::accepted, this, &QDialog::accept);

    m_colorButton->setObjectName(QStringLiteral("Button_color"));
    m_colorButton->setAutoDefault(false);
    connect(m_colorButton, &QPushButton::clicked, this, &TCaptionFontDialog::chooseColor);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* colorRow = new QHBoxLayout;
    auto* colorLabel = new QLabel(tr("Colour:"), this);
    colorLabel->setBuddy(m_colorButton);
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(m_colorButton);
    colorRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fontPart);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
    setColor(m_color);
}

QFont TCaptionFontDialog::currentFont() const
{
    return m_fontPart->currentFont();
}

void TCaptionFontDialog::setCurrentFont(const QFont& font)
{
    m_fontPart->setCurrentFont(font);
}

void TCaptionFontDialog::setColor(TColor color)
{
    m_color = color;
    QPixmap swatch(24, 14);
    swatch.fill(TColorToQColor(color));
    QPainter(&swatch).drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    m_colorButton->setIcon(QIcon(swatch));
}

void TCaptionFontDialog::chooseColor()
{
    const QColor chosen = QColorDialog::getColor(TColorToQColor(m_color), this);
    if (chosen.isValid())
        setColor(QColorToTColor(chosen));
}
