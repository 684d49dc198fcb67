#pragma once
// The file list's side of thumbnails: which items get one, the pixmaps made so far, and the
// requests for the rows a view paints (a view only asks for what it shows, so visible items
// come first). Results arrive later; the list never waits for them.

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QVariant>

#include "browser/file_list_listing.h"
#include "browser/thumbnail_loader.h"

namespace kivo {

class FileListThumbnails : public QObject {
    Q_OBJECT

public:
    FileListThumbnails(const FileListing& listing, QObject* parent = nullptr);

    // Thumbnails of `logicalSize` on a screen of `devicePixelRatio`; 0 turns them off.
    void SetPixelSize(int logicalSize, qreal devicePixelRatio);
    int LogicalSize() const { return logical_; }
    // The folder changed: requests under way are cancelled, pixmaps dropped.
    void Clear();
    // The row's thumbnail, or an invalid value (the type icon shows) while there is none yet;
    // asks for it when it is missing.
    QVariant Decoration(int row);
    ThumbnailLoader& Loader() { return loader_; }

    // Whether an item is a picture that gets a thumbnail.
    static bool WantsThumbnail(const FileListItem& item);
    static QByteArray PathOf(const FileListItem& item);

signals:
    void RowChanged(int row);

private:
    struct Entry {
        QString stamp; // size and modification texts when made: a changed file is redone
        QPixmap pixmap;
        bool pending = false;
        int rowHint = -1;
    };
    static QString StampOf(const FileListItem& item);
    void OnReady(const QByteArray& path, int size, const QImage& picture);
    int DevicePixels() const;

    const FileListing& listing_;
    ThumbnailLoader loader_;
    QHash<QByteArray, Entry> entries_;
    int logical_ = 0;
    qreal ratio_ = 1.0;
};

} // namespace kivo
