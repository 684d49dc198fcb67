#include "browser/dir_tree_model.h"

#include <algorithm>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>

#include <QCollator>
#include <QLocale>

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

void DirTreeModel::SetVolumeSource(DirTreeVolumeSource source) {
    source_ = source ? std::move(source) : DirTreeVolumeSource(&MountedTreeVolumes);
}

void DirTreeModel::Build() {
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
        rows << MakeFolderNode(name, WithSlash(path) + name);
    if (!rows.isEmpty())
        item->appendRows(rows);
    return true;
}

QStandardItem* DirTreeModel::MakeFolderNode(const QString& name, const QString& path) const {
    auto* node = new QStandardItem(folderIcon_, DisplayText(name));
    node->setData(name, NameRole);
    node->setData(static_cast<int>(DirNodeKind::Folder), KindRole);
    node->setData(folderOpenIcon_, OpenIconRole);
    node->setEditable(false);
    if (HasSubFolder(path))
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
