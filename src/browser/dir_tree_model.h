#pragma once
// The nodes of the directory tree combo's drop-down without any view: the root (the
// computer), one node per volume and folder nodes loaded lazily. A node that may have
// sub-folders but has not been loaded carries one placeholder child, which gives it the
// expand mark; loading replaces it with the sorted sub-folders (or with nothing, and the
// mark goes away). Loaded folders are watched: sub-folders created or removed by anyone
// show up, read again on a worker thread.

#include <functional>
#include <memory>
#include <vector>

#include <QIcon>
#include <QSet>
#include <QStandardItemModel>
#include <QString>

class QFileSystemWatcher;
class QTimer;
template <typename T> class QFutureWatcher;

namespace kivo {

enum class DirNodeKind : int { Root = 1, Volume, Folder, Placeholder };

struct DirTreeVolume {
    QString root; // mount point, "/" or without a trailing "/"
    QString name; // label or display name
    int type = 0; // VolumeType
};

using DirTreeVolumeSource = std::function<std::vector<DirTreeVolume>()>;

class DirTreeModel : public QStandardItemModel {
    Q_OBJECT

public:
    enum Role : int {
        KindRole = Qt::UserRole + 1,
        RootRole,       // volume nodes: the root with a trailing "/"
        VolumeTypeRole, // volume nodes
        OpenIconRole,   // the image shown while the node is selected
        LoadedRole,     // the sub-folders have been read
        NameRole,       // folder nodes: the name as PathText (the text shown is lossy)
    };

    explicit DirTreeModel(QObject* parent = nullptr);
    ~DirTreeModel() override;

    // Where the volumes come from (the mounted volumes unless replaced, e.g. by tests).
    void SetVolumeSource(DirTreeVolumeSource source);

    // Removes all nodes and adds the root and the volume nodes again (not loaded).
    void Build();

    QModelIndex RootIndex() const;
    DirNodeKind Kind(const QModelIndex& index) const;
    // "/" or "/media/card/" for a volume, a folder path without trailing "/", "" for the
    // root.
    QString NodePath(const QModelIndex& index) const;
    // Whether the node is a volume node of a removable volume.
    bool IsRemovableVolume(const QModelIndex& index) const;

    // Loads the sub-folders of a volume or folder node unless it has real children
    // already. Returns whether anything changed.
    bool LoadChildren(const QModelIndex& index);
    bool IsLoaded(const QModelIndex& index) const;

    // The child node for one path piece: for a volume the child whose root is the
    // longest prefix of `path` (under the root node), for a folder the child named
    // `piece` (exact spelling first, then without regard to letter case).
    QModelIndex VolumeForPath(const QString& path) const;
    QModelIndex ChildNamed(const QModelIndex& parent, const QString& piece) const;
    // The loaded volume or folder node of a path ("/" or "/a/b", with or without the
    // trailing "/"); invalid when no such node has been loaded.
    QModelIndex LoadedNodeForPath(const QString& path) const;

    // Changes in watched folders are gathered this long before they are read.
    static constexpr int kWatchDelayMs = 100;

    // Sub-folder names of a folder, every kind of entry that is a folder, "." and ".."
    // left out, sorted alphabetically.
    static QStringList SubFolders(const QString& folder);
    // Whether the folder holds at least one sub-folder (stops at the first).
    static bool HasSubFolder(const QString& folder);
    // Alphabetical order of node captions (letter case ignored, the locale's rules).
    static void SortNames(QStringList& names);

private:
    struct SubFolder {
        QString name;
        bool hasSubFolder = false;
    };
    struct FolderReading {
        QString path;
        bool readable = false;
        std::vector<SubFolder> subFolders; // sorted
    };
    // The node's children become the reading's sub-folders: gone ones removed, new ones
    // inserted in their sorted places, the others (and what is loaded below them) kept.
    void MergeChildren(QStandardItem* node, const FolderReading& reading);

    QStandardItem* MakeFolderNode(const QString& name, bool hasSubFolder) const;
    static void AddPlaceholder(QStandardItem* item);
    void Watch(const QString& path);
    void ReadChanged();
    void ApplyReadings();

    DirTreeVolumeSource source_;
    QIcon folderIcon_;
    QIcon folderOpenIcon_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* watchDelay_ = nullptr;
    QSet<QString> changed_;
    QFutureWatcher<void>* reading_ = nullptr;
    // What the worker under way reads into; only it touches it until it is finished.
    std::shared_ptr<std::vector<FolderReading>> readings_;
};

// Mounted volumes as the tree shows them.
std::vector<DirTreeVolume> MountedTreeVolumes();

} // namespace kivo
