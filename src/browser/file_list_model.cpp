#include "browser/file_list_model.h"

#include <algorithm>
#include <numeric>

#include <QHash>
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

namespace kivo {
namespace {

// An entry's identity across two listings: its path, with a count for a path listed twice
// (a mask whose patterns both match it).
std::vector<QString> EntryKeys(const std::vector<FileListItem>& items) {
    std::vector<QString> keys;
    keys.reserve(items.size());
    QHash<QString, int> seen;
    for (const FileListItem& item : items) {
        const int n = seen[item.fullPath()]++;
        keys.push_back(n == 0 ? item.fullPath() : item.fullPath() + QChar(0) + QString::number(n));
    }
    return keys;
}

// For each row shown, the fresh row of its entry (-1 when it is gone), by the entries' keys.
std::vector<int> FreshRowsByKey(const std::vector<FileListItem>& items,
                                const std::vector<FileListItem>& fresh) {
    const std::vector<QString> keys = EntryKeys(items);
    const std::vector<QString> freshKeys = EntryKeys(fresh);
    QHash<QString, int> freshRow;
    freshRow.reserve(static_cast<qsizetype>(fresh.size()));
    for (std::size_t i = 0; i < freshKeys.size(); ++i)
        freshRow.insert(freshKeys[i], static_cast<int>(i));
    std::vector<int> freshOf(items.size());
    for (std::size_t r = 0; r < items.size(); ++r)
        freshOf[r] = freshRow.value(keys[r], -1);
    return freshOf;
}

// The same from the listing's own record of the rows it started from, checked against the
// rows shown; empty when it does not fit them (they changed meanwhile).
std::vector<int> FreshRowsByRecord(const std::vector<FileListItem>& items,
                                   const std::vector<FileListItem>& fresh,
                                   const std::vector<int>& rowsBefore) {
    if (rowsBefore.size() != fresh.size())
        return {};
    std::vector<int> freshOf(items.size(), -1);
    for (std::size_t f = 0; f < fresh.size(); ++f) {
        const int before = rowsBefore[f];
        if (before < 0)
            continue;
        const auto b = static_cast<std::size_t>(before);
        if (b >= items.size() || freshOf[b] >= 0 || items[b].fullPath() != fresh[f].fullPath())
            return {};
        freshOf[b] = static_cast<int>(f);
    }
    return freshOf;
}

bool SameText(const QString& a, const QString& b) {
    return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}

bool SameTexts(const FileListItem& a, const FileListItem& b) {
    if (!SameText(a.caption, b.caption) || !SameText(a.name, b.name) ||
        !SameText(a.iconKey, b.iconKey))
        return false;
    for (std::size_t i = 0; i < a.subItems.size(); ++i)
        if (!SameText(a.subItems[i], b.subItems[i]))
            return false;
    return true;
}

} // namespace

void FileListItemModel::Update(std::vector<FileListItem> fresh,
                               const std::vector<int>& rowsBefore) {
    std::vector<FileListItem>& items = listing_.Items();
    std::vector<int> freshOf;
    if (!rowsBefore.empty())
        freshOf = FreshRowsByRecord(items, fresh, rowsBefore);
    if (freshOf.size() != items.size())
        freshOf = FreshRowsByKey(items, fresh);

    // Gone entries, a run of neighbours at a time, from the end.
    for (int r = static_cast<int>(items.size()) - 1; r >= 0; --r) {
        if (freshOf[static_cast<std::size_t>(r)] >= 0)
            continue;
        const int last = r;
        while (r > 0 && freshOf[static_cast<std::size_t>(r - 1)] < 0)
            --r;
        beginRemoveRows({}, r, last);
        items.erase(items.begin() + r, items.begin() + last + 1);
        freshOf.erase(freshOf.begin() + r, freshOf.begin() + last + 1);
        endRemoveRows();
    }

    // Changed entries take their new texts in place (a fresh row matched here is not
    // inserted below, so it can be moved).
    const int columns = columnCount();
    for (std::size_t r = 0; r < items.size(); ++r) {
        FileListItem& now = fresh[static_cast<std::size_t>(freshOf[r])];
        if (SameTexts(items[r], now))
            continue;
        items[r] = std::move(now);
        emit dataChanged(index(static_cast<int>(r), 0), index(static_cast<int>(r), columns - 1));
    }

    // A changed entry may sort elsewhere now: the kept rows move into the fresh order.
    if (!std::is_sorted(freshOf.begin(), freshOf.end())) {
        std::vector<int> newToOld(items.size());
        std::iota(newToOld.begin(), newToOld.end(), 0);
        std::sort(newToOld.begin(), newToOld.end(), [&](int a, int b) {
            return freshOf[static_cast<std::size_t>(a)] < freshOf[static_cast<std::size_t>(b)];
        });
        BeginReorder();
        std::vector<FileListItem> moved;
        moved.reserve(items.size());
        for (int old : newToOld)
            moved.push_back(std::move(items[static_cast<std::size_t>(old)]));
        items = std::move(moved);
        std::sort(freshOf.begin(), freshOf.end());
        EndReorder(newToOld);
    }

    // New entries, a run at a time, where the fresh listing has them.
    std::size_t r = 0;
    for (std::size_t f = 0; f < fresh.size();) {
        if (r < freshOf.size() && freshOf[r] == static_cast<int>(f)) {
            ++r;
            ++f;
            continue;
        }
        std::size_t end = f;
        while (end < fresh.size() && (r >= freshOf.size() || freshOf[r] != static_cast<int>(end)))
            ++end;
        beginInsertRows({}, static_cast<int>(r), static_cast<int>(r + (end - f)) - 1);
        items.insert(items.begin() + static_cast<std::ptrdiff_t>(r),
                     std::make_move_iterator(fresh.begin() + static_cast<std::ptrdiff_t>(f)),
                     std::make_move_iterator(fresh.begin() + static_cast<std::ptrdiff_t>(end)));
        std::vector<int> added(end - f);
        std::iota(added.begin(), added.end(), static_cast<int>(f));
        freshOf.insert(freshOf.begin() + static_cast<std::ptrdiff_t>(r), added.begin(),
                       added.end());
        endInsertRows();
        r += end - f;
        f = end;
    }
}

} // namespace kivo
