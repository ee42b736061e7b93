#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <functional>
#include <string_view>

class trec;
class treclist;

// The main window's slide list as the list view reads it: one row per slide,
// its texts made when a row is drawn, so that a list of a hundred thousand
// slides costs no object per row.
class TSlideListModel : public QAbstractTableModel {
public:
    enum Column { ColumnName = 0, ColumnImage = 1, ColumnSound = 2, ColumnCount = 3 };

    explicit TSlideListModel(const treclist& slides, QObject* parent = nullptr);

    // Runs change, which replaces the slides, with the views told to forget
    // every row beforehand and to read them anew afterwards.
    void Refill(const std::function<void()>& change);

    const trec* slideAt(const QModelIndex& index) const;

    // A column's text for a slide, as the list shows it.
    static QString text(const trec& slide, int column);
    // The same text as bytes, when it is plain ASCII that needs no
    // conversion: the pieces that make it up, one after the other. False
    // when only text() gives it.
    static bool asciiText(const trec& slide, int column, std::string_view (&pieces)[2]);
    static QString headerText(int column);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const treclist& slides_;
};
