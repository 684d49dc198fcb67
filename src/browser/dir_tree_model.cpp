#include "browser/dir_tree_model.h"

#include <algorithm>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>

#include <QCollator>
#include <QFileSystemWatcher>
#include <QFutureWatcher>
#include <QLocale>
#include <QPromise>
#include <QThreadPool>
#include <QTimer>

#include "platform/file_system.h"
#include "platform/gui/path_text.h"
#include "platform/gui/shell_icons.h"
#include "platform/gui/volumes.h"

namespace kivo {

namespace {

QString WithSlash(const QString& p) {
    return p.endsWith(u'/') ? p : p + u'/';
}

QString ExcludeSlash(const QString& p) {
    return p.size() > 1 && p.endsWith(u'/') ? p.chopped(1) : p;
}

// Whether a directory entry is a folder; symbolic links to folders count, as they open
// like folders.
bool EntryIsFolder(const std::string& dir, const dirent* e) {
    if (e->d_type == DT_DIR)
        return true;
    if (e->d_type != DT_LNK && e->d_type != DT_UNKNOWN)
        return false;
    struct stat st {};
    return ::stat((IncludeTrailingSlash(dir) + e->d_name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

template <typename F> void ForEachSubFolder(const QString& folder, F&& f) {
    const std::string dir = PathBytes(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), &::closedir);
    if (!d)
        return;
    while (const dirent* e = ::readdir(d.get())) {
        const std::string n = e->d_name;
        if (n == "." || n == "..")
            continue;
        if (EntryIsFolder(dir, e) && !f(PathText(e->d_name)))
            return;
    }
}

} // namespace

std::vector<DirTreeVolume> MountedTreeVolumes() {
    std::vector<DirTreeVolume> out;
    for (const auto& v : MountedVolumes())
        out.push_back({v.root, v.name, v.type});
    return out;
}

DirTreeModel::DirTreeModel(QObject* parent)
    : QStandardItemModel(parent), source_(&MountedTreeVolumes), folderIcon_(ShellFolderIcon(false)),
      folderOpenIcon_(ShellFolderIcon(true)) {
    setColumnCount(1);
}

DirTreeModel::~DirTreeModel() = default;

void DirTreeModel::SetVolumeSource(DirTreeVolumeSource source) {
    source_ = source ? std::move(source) : DirTreeVolumeSource(&MountedTreeVolumes);
}

void DirTreeModel::Build() {
    if (watcher_ && !watcher_->directories().isEmpty())
        watcher_->removePaths(watcher_->directories());
    changed_.clear();
    clear();
    setColumnCount(1);
    auto* root = new QStandardItem(ShellComputerIcon(), ShellComputerName());
    root->setData(static_cast<int>(DirNodeKind::Root), KindRole);
    root->setData(ShellComputerIcon(), OpenIconRole);
    root->setEditable(false);
    for (const auto& v : source_()) {
        const QIcon icon = ShellVolumeIcon(v.type);
        auto* node = new QStandardItem(icon, QStringLiteral(" (") + DisplayText(v.root) +
                                                 QStringLiteral(")  ") + v.name);
        node->setData(static_cast<int>(DirNodeKind::Volume), KindRole);
        node->setData(WithSlash(v.root), RootRole);
        node->setData(v.type, VolumeTypeRole);
        node->setData(icon, OpenIconRole);
        node->setEditable(false);
        AddPlaceholder(node); // a volume shows its expand mark until it is first opened
        root->appendRow(node);
    }
    appendRow(root);
}

QModelIndex DirTreeModel::RootIndex() const {
    return index(0, 0);
}

DirNodeKind DirTreeModel::Kind(const QModelIndex& idx) const {
    const int k = idx.data(KindRole).toInt();
    return k == 0 ? DirNodeKind::Placeholder : static_cast<DirNodeKind>(k);
}

QString DirTreeModel::NodePath(const QModelIndex& idx) const {
    QStringList pieces;
    for (QModelIndex i = idx; i.isValid(); i = i.parent()) {
        switch (Kind(i)) {
        case DirNodeKind::Folder:
            pieces.prepend(i.data(NameRole).toString());
            break;
        case DirNodeKind::Volume:
            return i.data(RootRole).toString() + pieces.join(u'/');
        default:
            return {};
        }
    }
    return {};
}

bool DirTreeModel::IsRemovableVolume(const QModelIndex& idx) const {
    return Kind(idx) == DirNodeKind::Volume && idx.data(VolumeTypeRole).toInt() == vtRemovable;
}

bool DirTreeModel::IsLoaded(const QModelIndex& idx) const {
    return idx.data(LoadedRole).toBool();
}

bool DirTreeModel::LoadChildren(const QModelIndex& idx) {
    QStandardItem* item = itemFromIndex(idx);
    const DirNodeKind kind = Kind(idx);
    if (!item || IsLoaded(idx) || (kind != DirNodeKind::Volume && kind != DirNodeKind::Folder))
        return false;
    // A volume is asked first, for a bounded time: listing a dead network mount would
    // freeze the window. It stays unloaded, so a later expansion asks again.
    if (kind == DirNodeKind::Volume) {
        const int type = idx.data(VolumeTypeRole).toInt();
        if (type != vtRemovable && type != vtCdRom &&
            SharedVolumeProber().Probe(ExcludeSlash(idx.data(RootRole).toString())).state ==
                ProbeState::Pending)
            return false;
    }
    item->setData(true, LoadedRole);
    // Only the placeholder can be there: a node's real children all come from here.
    if (item->rowCount() > 0)
        item->removeRows(0, item->rowCount());
    const QString path = NodePath(idx);
    QList<QStandardItem*> rows;
    for (const auto& name : SubFolders(path))
        rows << MakeFolderNode(name, HasSubFolder(WithSlash(path) + name));
    if (!rows.isEmpty())
        item->appendRows(rows);
    Watch(path);
    return true;
}

QStandardItem* DirTreeModel::MakeFolderNode(const QString& name, bool hasSubFolder) const {
    auto* node = new QStandardItem(folderIcon_, DisplayText(name));
    node->setData(name, NameRole);
    node->setData(static_cast<int>(DirNodeKind::Folder), KindRole);
    node->setData(folderOpenIcon_, OpenIconRole);
    node->setEditable(false);
    if (hasSubFolder)
        AddPlaceholder(node);
    return node;
}

void DirTreeModel::AddPlaceholder(QStandardItem* item) {
    auto* p = new QStandardItem;
    p->setEditable(false);
    p->setEnabled(false);
    p->setSelectable(false);
    item->appendRow(p);
}

QModelIndex DirTreeModel::VolumeForPath(const QString& path) const {
    const QModelIndex root = RootIndex();
    QModelIndex best;
    qsizetype bestLength = -1;
    for (int r = 0; r < rowCount(root); ++r) {
        const QModelIndex v = index(r, 0, root);
        const QString rootPath = v.data(RootRole).toString();
        if (WithSlash(path).startsWith(rootPath) && rootPath.size() > bestLength) {
            best = v;
            bestLength = rootPath.size();
        }
    }
    return best;
}

QModelIndex DirTreeModel::ChildNamed(const QModelIndex& parent, const QString& piece) const {
    QModelIndex caseless;
    for (int r = 0; r < rowCount(parent); ++r) {
        const QModelIndex c = index(r, 0, parent);
        if (Kind(c) != DirNodeKind::Folder)
            continue;
        const QString name = c.data(NameRole).toString();
        if (name == piece)
            return c;
        if (!caseless.isValid() && name.compare(piece, Qt::CaseInsensitive) == 0)
            caseless = c;
    }
    return caseless;
}

QModelIndex DirTreeModel::LoadedNodeForPath(const QString& path) const {
    QModelIndex node = VolumeForPath(path);
    if (!node.isValid())
        return {};
    const QString rest = WithSlash(path).mid(node.data(RootRole).toString().size());
    for (const QString& piece : rest.split(u'/', Qt::SkipEmptyParts)) {
        if (!IsLoaded(node))
            return {};
        QModelIndex child;
        for (int r = 0; r < rowCount(node) && !child.isValid(); ++r) {
            const QModelIndex c = index(r, 0, node);
            if (Kind(c) == DirNodeKind::Folder && c.data(NameRole).toString() == piece)
                child = c;
        }
        if (!child.isValid())
            return {};
        node = child;
    }
    return IsLoaded(node) ? node : QModelIndex();
}

// --- watching the loaded folders ---------------------------------------------------------

void DirTreeModel::Watch(const QString& path) {
    if (!watcher_) {
        watcher_ = new QFileSystemWatcher(this);
        watchDelay_ = new QTimer(this);
        watchDelay_->setSingleShot(true);
        watchDelay_->setInterval(kWatchDelayMs);
        connect(watchDelay_, &QTimer::timeout, this, [this] { ReadChanged(); });
        connect(watcher_, &QFileSystemWatcher::directoryChanged, this,
                [this](const QString& changed) {
                    changed_.insert(changed);
                    if (!watchDelay_->isActive())
                        watchDelay_->start(); // a burst is gathered, not prolonged
                });
    }
    const QString watched = ExcludeSlash(path);
    if (!watcher_->directories().contains(watched))
        watcher_->addPath(watched);
}

void DirTreeModel::ReadChanged() {
    if (readings_) {
        watchDelay_->start(); // once the reading under way is in
        return;
    }
    if (changed_.isEmpty())
        return;
    if (!reading_) {
        reading_ = new QFutureWatcher<void>(this);
        connect(reading_, &QFutureWatcher<void>::finished, this, [this] { ApplyReadings(); });
    }
    readings_ = std::make_shared<std::vector<FolderReading>>();
    for (const QString& path : std::as_const(changed_))
        readings_->push_back({path, false, {}});
    changed_.clear();
    auto promise = std::make_shared<QPromise<void>>();
    reading_->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, readings = readings_] {
        promise->start();
        for (FolderReading& r : *readings) {
            struct stat st {};
            r.readable = ::stat(PathBytes(r.path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
            if (!r.readable)
                continue;
            for (const QString& name : SubFolders(r.path))
                r.subFolders.push_back({name, HasSubFolder(WithSlash(r.path) + name)});
        }
        promise->finish();
    });
}

void DirTreeModel::ApplyReadings() {
    const std::shared_ptr<std::vector<FolderReading>> readings = std::move(readings_);
    if (!readings)
        return;
    for (const FolderReading& r : *readings) {
        const QModelIndex node = LoadedNodeForPath(r.path);
        if (!node.isValid()) {
            watcher_->removePath(r.path); // its node is gone or was never loaded again
            continue;
        }
        if (r.readable)
            MergeChildren(itemFromIndex(node), r);
    }
    if (!changed_.isEmpty() && !watchDelay_->isActive())
        watchDelay_->start();
}

void DirTreeModel::MergeChildren(QStandardItem* node, const FolderReading& reading) {
    QSet<QString> fresh;
    for (const SubFolder& f : reading.subFolders)
        fresh.insert(f.name);
    for (int r = node->rowCount() - 1; r >= 0; --r) {
        QStandardItem* child = node->child(r);
        if (child->data(KindRole).toInt() == static_cast<int>(DirNodeKind::Folder) &&
            !fresh.contains(child->data(NameRole).toString()))
            node->removeRow(r);
    }
    // The kept children are in the reading's order: the new ones go in between.
    QSet<QString> kept;
    for (int r = 0; r < node->rowCount(); ++r)
        kept.insert(node->child(r)->data(NameRole).toString());
    int row = 0;
    for (const SubFolder& f : reading.subFolders) {
        if (row < node->rowCount() && node->child(row)->data(NameRole).toString() == f.name) {
            ++row;
            continue;
        }
        if (kept.contains(f.name))
            continue; // out of the order it had: left where it is
        node->insertRow(row, MakeFolderNode(f.name, f.hasSubFolder));
        ++row;
    }
}

QStringList DirTreeModel::SubFolders(const QString& folder) {
    QStringList names;
    ForEachSubFolder(folder, [&](const QString& n) {
        names << n;
        return true;
    });
    SortNames(names);
    return names;
}

bool DirTreeModel::HasSubFolder(const QString& folder) {
    bool found = false;
    ForEachSubFolder(folder, [&](const QString&) {
        found = true;
        return false;
    });
    return found;
}

void DirTreeModel::SortNames(QStringList& names) {
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        const int c = collator.compare(a, b);
        return c != 0 ? c < 0 : a < b;
    });
}

} // namespace kivo
