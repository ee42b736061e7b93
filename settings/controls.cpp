#include "settings/controls.h"

#include "settings/caption_font_dialog.h"
#include "settings/tcolor.h"
#include "settings/text_forms.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>

// ---------------------------------------------------------------- TLabeledEdit

TLabeledEdit::TLabeledEdit(QWidget* parent)
    : QWidget(parent)
    , m_label(new QLabel(this))
    , m_edit(new QLineEdit(this))
{
    m_label->setBuddy(m_edit);
    setFocusProxy(m_edit);
    connect(m_edit, &QLineEdit::textChanged, this, &TLabeledEdit::textChanged);
}

QString TLabeledEdit::text() const { return m_edit->text(); }
void TLabeledEdit::setText(const QString& text) { m_edit->setText(text); }
QString TLabeledEdit::labelCaption() const { return m_label->text(); }

void TLabeledEdit::setLabelCaption(const QString& caption)
{
    m_label->setText(caption);
    applyEditGeometry();
    layoutChildren();
}

void TLabeledEdit::setLabelPosition(LabelPosition position)
{
    m_position = position;
    applyEditGeometry();
    layoutChildren();
}

void TLabeledEdit::setEditGeometry(const QRect& editRect)
{
    m_editRect = editRect;
    applyEditGeometry();
}

void TLabeledEdit::applyEditGeometry()
{
    if (!m_editRect)
        return;
    const QRect& r = *m_editRect;
    const QSize label = m_label->sizeHint();
    if (m_position == LabelPosition::Above)
        setGeometry(r.x(), r.y() - label.height() - kSpacing, r.width(), r.height() + label.height() + kSpacing);
    else
        setGeometry(r.x() - label.width() - kSpacing, r.y(), r.width() + label.width() + kSpacing, r.height());
}

QSize TLabeledEdit::sizeHint() const
{
    const QSize label = m_label->sizeHint();
    const QSize edit = m_edit->sizeHint();
    if (m_position == LabelPosition::Above)
        return {std::max(label.width(), edit.width()), label.height() + kSpacing + edit.height()};
    return {label.width() + kSpacing + edit.width(), std::max(label.height(), edit.height())};
}

void TLabeledEdit::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutChildren();
}

void TLabeledEdit::layoutChildren()
{
    const QSize label = m_label->sizeHint();
    if (m_position == LabelPosition::Above) {
        m_label->setGeometry(0, 0, width(), label.height());
        const int top = label.height() + kSpacing;
        m_edit->setGeometry(0, top, width(), std::max(0, height() - top));
    } else {
        m_label->setGeometry(0, (height() - label.height()) / 2, label.width(), label.height());
        const int left = label.width() + kSpacing;
        m_edit->setGeometry(left, 0, std::max(0, width() - left), height());
    }
}

// ---------------------------------------------------------------- TPageControl

TPageControl::TPageControl(QWidget* parent)
    : QTabWidget(parent)
{
    // Any pick of a tab, even the one that looks selected, ends the "no page" state.
    connect(tabBar(), &QTabBar::tabBarClicked, this, [this](int index) {
        if (m_noPage && index >= 0)
            setActivePageIndex(index);
    });
    // Switching pages by keyboard shows the new page, which ends it as well.
    connect(this, &QTabWidget::currentChanged, this, [this](int) { m_noPage = false; });
}

int TPageControl::activePageIndex() const
{
    return m_noPage ? -1 : currentIndex();
}

void TPageControl::setActivePageIndex(int index)
{
    if (index >= 0 && index < count()) {
        m_noPage = false;
        setCurrentIndex(index);
        if (QWidget* page = currentWidget())
            page->setVisible(true);
        return;
    }
    m_noPage = true;
    if (QWidget* page = currentWidget())
        page->setVisible(false);
}

// ---------------------------------------------------------------- TRadioGroup

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent)
    , m_group(new QButtonGroup(this))
    , m_layout(new QVBoxLayout(this))
{
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            emit itemClicked(id);
    });
}

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : TRadioGroup(parent)
{
    setTitle(caption);
    setItems(items);
}

void TRadioGroup::setItems(const QStringList& items)
{
    const int old = itemIndex();
    const QList<QAbstractButton*> buttons = m_group->buttons();
    for (QAbstractButton* b : buttons) {
        m_group->removeButton(b);
        delete b;
    }
    m_items = items;
    for (int i = 0; i < count(); ++i) {
        auto* b = new QRadioButton(m_items[i], this);
        m_group->addButton(b, i);
        m_layout->addWidget(b);
    }
    if (old >= 0 && old < count()) {
        const QSignalBlocker block(m_group);
        button(old)->setChecked(true);
    }
}

int TRadioGroup::itemIndex() const
{
    return m_group->checkedId();
}

void TRadioGroup::setItemIndex(int index)
{
    index = std::clamp(index, -1, count() - 1);
    if (index >= 0) {
        button(index)->setChecked(true);
        return;
    }
    if (QAbstractButton* checked = m_group->checkedButton()) {
        // An exclusive group refuses to uncheck its last checked button.
        m_group->setExclusive(false);
        checked->setChecked(false);
        m_group->setExclusive(true);
    }
}

QRadioButton* TRadioGroup::button(int index) const
{
    return qobject_cast<QRadioButton*>(m_group->button(index));
}

bool TRadioGroup::isItemButton(const QObject* object) const
{
    const QList<QAbstractButton*> buttons = m_group->buttons();
    return std::find(buttons.begin(), buttons.end(), object) != buttons.end();
}

// ---------------------------------------------------------------- dialog holders

TFontDialogHolder::TFontDialogHolder(QObject* parent)
    : QObject(parent)
{
}

bool TFontDialogHolder::execute(QWidget* parent)
{
    QFont initial(m_font.name);
    initial.setPointSize(std::max(1, m_font.size(m_dpi)));
    initial.setBold(m_font.style & fsBold);
    initial.setItalic(m_font.style & fsItalic);
    initial.setUnderline(m_font.style & fsUnderline);
    initial.setStrikeOut(m_font.style & fsStrikeOut);

    TCaptionFontDialog dialog(parent);
    dialog.setCurrentFont(initial);
    dialog.setColor(m_font.color);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QFont chosen = dialog.currentFont();
    m_font.color = dialog.color();
    m_font.name = chosen.family().left(kMaxFaceNameLength);
    if (chosen.pointSizeF() > 0)
        m_font.setSize(qRound(chosen.pointSizeF()), m_dpi);
    m_font.style = (chosen.bold() ? fsBold : 0) | (chosen.italic() ? fsItalic : 0)
        | (chosen.underline() ? fsUnderline : 0) | (chosen.strikeOut() ? fsStrikeOut : 0);
    return true;
}

TColorDialogHolder::TColorDialogHolder(QObject* parent)
    : QObject(parent)
{
}

bool TColorDialogHolder::execute(QWidget* parent)
{
    const QColor chosen = QColorDialog::getColor(TColorToQColor(m_color), parent);
    if (!chosen.isValid())
        return false;
    m_color = QColorToTColor(chosen);
    return true;
}

QRect TWrappedCheckBox::captionRect(int width) const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    const int left = indicator.right() + 1 + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
    const QRect lines = fontMetrics().boundingRect(QRect(left, 0, std::max(1, width - left), 10000),
                                                   Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text());
    return QRect(left, 0, std::max(1, width - left), lines.height());
}

int TWrappedCheckBox::heightForWidth(int width) const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    const int indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this).height();
    return std::max(indicator, captionRect(width).height());
}

QSize TWrappedCheckBox::sizeHint() const
{
    const int width = QCheckBox::sizeHint().width();
    return {std::min(width, this->width() > 0 ? this->width() : width),
            heightForWidth(this->width() > 0 ? this->width() : width)};
}

void TWrappedCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The indicator as the style draws it, level with the first line.
    option.text.clear();
    option.rect.setHeight(std::min(option.rect.height(), fontMetrics().height()));
    const bool focused = option.state & QStyle::State_HasFocus;
    option.state &= ~QStyle::State_HasFocus;
    painter.drawControl(QStyle::CE_CheckBox, option);
    const QRect caption = captionRect(width());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(caption, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text());
    if (focused) {
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        frame.rect = caption.adjusted(-1, 0, 1, 0);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, frame);
    }
}
