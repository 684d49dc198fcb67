#include "browser/file_list_model.h"

#include <algorithm>

#include <QMimeData>
#include <QUrl>

#include "platform/gui/path_text.h"
#include "platform/gui/shell_icons.h"

namespace kivo {

FileListItemModel::FileListItemModel(FileListing& listing, QObject* parent)
    : QAbstractTableModel(parent), listing_(listing) {}

int FileListItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(listing_.Items().size());
}

int FileListItemModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(listing_.Columns().size());
}

QVariant FileListItemModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const FileListItem& item = listing_.Items()[static_cast<std::size_t>(index.row())];
    const FileListColumn& column = listing_.Columns()[static_cast<std::size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return column.subItem < 0 ? item.caption
                                  : item.subItems[static_cast<std::size_t>(column.subItem)];
    case Qt::DecorationRole:
        if (index.column() != 0)
            return {};
        if (decorationSource_)
            if (QVariant picture = decorationSource_(index.row()); picture.isValid())
                return picture;
        if (item.iconKey.startsWith(QLatin1String("volume:")))
            return ShellVolumeIcon(item.iconKey.mid(7).toInt());
        return ShellIconForMime(item.iconKey);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
    case FullPathRole:
        return item.fullPath();
    case KindRole:
        return item.kind();
    default:
        return {};
    }
}

bool FileListItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.column() != 0 ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    listing_.Items()[static_cast<std::size_t>(index.row())].caption = value.toString();
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    emit CaptionEdited(index.row(), value.toString());
    return true;
}

QVariant FileListItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    const FileListColumn& column = listing_.Columns()[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole)
        return column.caption;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags FileListItemModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f =
        Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled | Qt::ItemNeverHasChildren;
    const FileListItem& item = listing_.Items()[static_cast<std::size_t>(index.row())];
    if (index.column() == 0)
        f |= Qt::ItemIsEditable;
    if (!item.isParent() && item.kind() != kKindDrive)
        f |= Qt::ItemIsDragEnabled;
    return f;
}

QStringList FileListItemModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QMimeData* FileListItemModel::mimeData(const QModelIndexList& indexes) const {
    QList<QUrl> urls;
    QList<int> rows;
    for (const QModelIndex& i : indexes)
        if (i.isValid() && !rows.contains(i.row()))
            rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    for (int row : rows) {
        const FileListItem& item = listing_.Items()[static_cast<std::size_t>(row)];
        if (!item.isParent() && item.kind() != kKindDrive)
            urls.append(FileUrl(PathBytes(item.fullPath())));
    }
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

Qt::DropActions FileListItemModel::supportedDragActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}
Qt::DropActions FileListItemModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

void FileListItemModel::DecorationChanged(int row) {
    if (row < 0 || row >= rowCount())
        return;
    const QModelIndex i = index(row, 0);
    emit dataChanged(i, i, {Qt::DecorationRole});
}

void FileListItemModel::BeginReorder() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    reorderPersistent_ = persistentIndexList();
}

void FileListItemModel::EndReorder(const std::vector<int>& newToOld) {
    std::vector<int> oldToNew(newToOld.size(), -1);
    for (std::size_t i = 0; i < newToOld.size(); ++i)
        oldToNew[static_cast<std::size_t>(newToOld[i])] = static_cast<int>(i);
    QModelIndexList to;
    to.reserve(reorderPersistent_.size());
    for (const QModelIndex& from : reorderPersistent_) {
        const auto old = static_cast<std::size_t>(from.row());
        to.append(old < oldToNew.size() ? index(oldToNew[old], from.column()) : QModelIndex());
    }
    changePersistentIndexList(reorderPersistent_, to);
    reorderPersistent_.clear();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace kivo
