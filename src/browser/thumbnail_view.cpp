#include "browser/thumbnail_view.h"

#include <cmath>

#include <QFile>

#include "platform/gui/path_text.h"

namespace kivo {

FileListThumbnails::FileListThumbnails(const FileListing& listing, QObject* parent)
    : QObject(parent), listing_(listing), loader_(this) {
    connect(&loader_, &ThumbnailLoader::Ready, this, &FileListThumbnails::OnReady);
}

bool FileListThumbnails::WantsThumbnail(const FileListItem& item) {
    return item.kind() == kKindFile && item.iconKey.startsWith(QLatin1String("image/"));
}

QByteArray FileListThumbnails::PathOf(const FileListItem& item) {
    return QByteArray::fromStdString(PathBytes(item.fullPath())); // keeps bytes that are not UTF-8
}

QString FileListThumbnails::StampOf(const FileListItem& item) {
    return item.subItems[siSize] + QLatin1Char('|') + item.subItems[siModified];
}

int FileListThumbnails::DevicePixels() const {
    return static_cast<int>(std::ceil(logical_ * ratio_));
}

void FileListThumbnails::SetPixelSize(int logicalSize, qreal devicePixelRatio) {
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    if (logicalSize == logical_ && ratio == ratio_)
        return;
    logical_ = logicalSize;
    ratio_ = ratio;
    Clear();
}

void FileListThumbnails::Clear() {
    loader_.Cancel();
    entries_.clear();
}

QVariant FileListThumbnails::Decoration(int row) {
    if (logical_ <= 0 || row < 0 || row >= static_cast<int>(listing_.Items().size()))
        return {};
    const FileListItem& item = listing_.Items()[static_cast<std::size_t>(row)];
    if (!WantsThumbnail(item))
        return {};
    const QByteArray path = PathOf(item);
    const QString stamp = StampOf(item);
    Entry& e = entries_[path];
    e.rowHint = row;
    if (e.stamp == stamp && (e.pending || !e.pixmap.isNull()))
        return e.pixmap.isNull() ? QVariant() : QVariant(e.pixmap);
    if (e.stamp == stamp && !e.pending)
        return {}; // no picture in it: the type icon stays
    e.stamp = stamp;
    e.pending = true;
    loader_.Request(path, DevicePixels());
    return e.pixmap.isNull() ? QVariant() : QVariant(e.pixmap);
}

void FileListThumbnails::OnReady(const QByteArray& path, int size, const QImage& picture) {
    if (size != DevicePixels())
        return;
    auto it = entries_.find(path);
    if (it == entries_.end())
        return;
    Entry& e = it.value();
    e.pending = false;
    e.pixmap = picture.isNull() ? QPixmap() : QPixmap::fromImage(picture);
    e.pixmap.setDevicePixelRatio(ratio_);
    // The row may have moved (a sort); the hint is checked, else the row is looked up.
    const auto& items = listing_.Items();
    int row = e.rowHint;
    if (row < 0 || row >= static_cast<int>(items.size()) ||
        PathOf(items[static_cast<std::size_t>(row)]) != path) {
        row = -1;
        for (std::size_t i = 0; i < items.size(); ++i)
            if (PathOf(items[i]) == path) {
                row = static_cast<int>(i);
                break;
            }
    }
    if (row >= 0)
        emit RowChanged(row);
}

} // namespace kivo
