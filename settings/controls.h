#pragma once

// Small controls for forms whose state goes into the settings file
// (see u_saveform.h). Each one is stored under its objectName().

#include "settings/options.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QObject>
#include <QRect>
#include <QStringList>
#include <QTabWidget>
#include <QWidget>
#include <optional>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;

// A check box whose caption wraps onto as many lines as its width needs; the
// whole box, caption included, takes the click. Stored as a check box.
class TWrappedCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

private:
    // Where the caption goes, for a box of that width.
    QRect captionRect(int width) const;
};

// A single-line edit with a caption label above it or to its left. The
// widget covers both; use setEditGeometry() to place the edit box itself at
// given coordinates with the label outside them. Stored as its text. The inner
// line edit is part of this control and is not stored on its own.
class TLabeledEdit : public QWidget {
    Q_OBJECT
public:
    enum class LabelPosition { Above, Left };

    explicit TLabeledEdit(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);

    QString labelCaption() const;
    void setLabelCaption(const QString& caption);

    LabelPosition labelPosition() const { return m_position; }
    // Left puts the label to the left, centred vertically on the edit.
    void setLabelPosition(LabelPosition position);

    // Places the whole control (in parent coordinates) so that the edit box
    // lands on `editRect` and the label sits outside it, 3 pixels away. Kept
    // when the caption or position changes later.
    void setEditGeometry(const QRect& editRect);

    QLineEdit* edit() const { return m_edit; }
    QLabel* editLabel() const { return m_label; }

    QSize sizeHint() const override;

signals:
    void textChanged(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutChildren();
    void applyEditGeometry();

    QLabel* m_label;
    QLineEdit* m_edit;
    LabelPosition m_position = LabelPosition::Above;
    std::optional<QRect> m_editRect;
    static constexpr int kSpacing = 3;
};

// A tab widget that can also have no active page (index -1): then no page
// is shown until the user picks a tab or a page is made active again.
// Stored as activePageIndex().
class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);

    // -1 when no page is active.
    int activePageIndex() const;
    // An index outside 0 .. count()-1 leaves no page active.
    void setActivePageIndex(int index);

private:
    bool m_noPage = false;
};

// A captioned group of option buttons in one column. Stored as itemIndex().
// The option buttons belong to the group and are not stored on their own.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TRadioGroup(QWidget* parent = nullptr);
    TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    QStringList items() const { return m_items; }
    // Rebuilds the buttons; the item index is kept while it is still valid
    // (silently), otherwise it becomes -1.
    void setItems(const QStringList& items);
    int count() const { return static_cast<int>(m_items.size()); }

    // -1 when no option is chosen.
    int itemIndex() const;
    // Below -1 becomes -1; beyond the last item becomes the last item.
    void setItemIndex(int index);

    QRadioButton* button(int index) const;
    // True for the option buttons of this group.
    bool isItemButton(const QObject* object) const;

signals:
    // Emitted whenever the item index moves to an item, whether the user
    // clicked it or setItemIndex() moved it there. Not emitted when the index
    // stays where it is, nor when it moves to -1.
    void itemClicked(int index);

private:
    QButtonGroup* m_group;
    QVBoxLayout* m_layout;
    QStringList m_items;
};

// The holder of a font dialog: no widget, just the font it offers and keeps.
// Stored in the font text form, sizes in points at dpi().
class TFontDialogHolder : public QObject {
    Q_OBJECT
public:
    explicit TFontDialogHolder(QObject* parent = nullptr);

    const CaptionFont& font() const { return m_font; }
    CaptionFont& font() { return m_font; }
    void setFont(const CaptionFont& font) { m_font = font; }

    // The resolution that converts between points and the held pixel height.
    int dpi() const { return m_dpi; }
    void setDpi(int dpi) { m_dpi = dpi > 0 ? dpi : 96; }

    // Runs the caption font dialog on the current font and colour. On OK the
    // face, size, style and colour are taken; returns whether the user confirmed.
    bool execute(QWidget* parent);

private:
    CaptionFont m_font;
    int m_dpi = 96;
};

// The holder of a colour dialog: no widget, just the colour. Stored in the
// colour text form; a missing entry reads as black.
class TColorDialogHolder : public QObject {
    Q_OBJECT
public:
    explicit TColorDialogHolder(QObject* parent = nullptr);

    TColor color() const { return m_color; }
    void setColor(TColor color) { m_color = color; }

    // Runs the platform colour dialog on the current colour; on OK the colour
    // is replaced. Returns whether the user confirmed.
    bool execute(QWidget* parent);

private:
    TColor m_color = 0x00000000;
};
