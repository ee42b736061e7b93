#include "app/slide_list_model.h"

#include "app/shorten_path.h"
#include "slides/treclist.h"

#include <QCoreApplication>
#include <QFile>

TSlideListModel::TSlideListModel(const treclist& slides, QObject* parent)
    : QAbstractTableModel(parent)
    , slides_(slides)
{
}

void TSlideListModel::Refill(const std::function<void()>& change)
{
    beginResetModel();
    change();
    endResetModel();
}

const trec* TSlideListModel::slideAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || index.row() >= slides_.count())
        return nullptr;
    return &slides_.at(index.row());
}

QString TSlideListModel::text(const trec& slide, int column)
{
    const auto path = [](const std::string& bytes) {
        return ShortenPath(QFile::decodeName(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()))));
    };
    switch (column) {
    case ColumnName:
        return QString::fromUtf8(slide.name);
    case ColumnImage:
        return path(slide.image_filename);
    case ColumnSound:
        return path(slide.sound_filename);
    default:
        return {};
    }
}

bool TSlideListModel::asciiText(const trec& slide, int column, std::string_view (&pieces)[2])
{
    pieces[0] = pieces[1] = {};
    switch (column) {
    case ColumnName:
        for (const char c : slide.name)
            if (static_cast<unsigned char>(c) >= 0x80)
                return false;
        pieces[0] = slide.name;
        return true;
    case ColumnImage:
    case ColumnSound: {
        const std::string& path = column == ColumnImage ? slide.image_filename : slide.sound_filename;
        if (path.empty())
            return true;
        if (!ShortenedFileName(path, pieces[1]))
            return false;
        pieces[0] = "/.../";
        return true;
    }
    default:
        return true;
    }
}

QString TSlideListModel::headerText(int column)
{
    switch (column) {
    case ColumnName:
        return QCoreApplication::translate("TSlideListModel", "Name");
    case ColumnImage:
        return QCoreApplication::translate("TSlideListModel", "Image Filename");
    case ColumnSound:
        return QCoreApplication::translate("TSlideListModel", "Sound Filename");
    default:
        return {};
    }
}

int TSlideListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : slides_.count();
}

int TSlideListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TSlideListModel::data(const QModelIndex& index, int role) const
{
    const trec* slide = slideAt(index);
    if (!slide || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    return text(*slide, index.column());
}

QVariant TSlideListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return headerText(section);
}

Qt::ItemFlags TSlideListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}
