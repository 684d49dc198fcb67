#include "platform/gui/volumes.h"

#include <sys/statvfs.h>

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace kivo {
namespace {

bool IsUnder(const QString& root, const QString& prefix) {
    return root == prefix || root.startsWith(prefix + QLatin1Char('/'));
}

// sysfs `removable` of a block device; a partition inherits its disk's flag.
int SysfsRemovable(const QByteArray& device) {
    if (!device.startsWith("/dev/"))
        return 0;
    const QString devName =
        QFileInfo(QFile::decodeName(device)).canonicalFilePath().section(QLatin1Char('/'), -1);
    if (devName.isEmpty())
        return 0;
    const QString sysPath =
        QFileInfo(QStringLiteral("/sys/class/block/") + devName).canonicalFilePath();
    if (sysPath.isEmpty())
        return 0;
    for (const QString& dir : {sysPath, QFileInfo(sysPath).path()}) {
        QFile f(dir + QStringLiteral("/removable"));
        if (f.open(QIODevice::ReadOnly))
            return f.readAll().trimmed() == "1" ? 1 : 0;
    }
    return 0;
}

} // namespace

bool IsPseudoVolume(const QByteArray& fsType, const QString& root) {
    static const char* const kPseudo[] = {
        "proc",       "sysfs",     "cgroup",      "cgroup2",         "devpts",     "devtmpfs",
        "securityfs", "pstore",    "debugfs",     "tracefs",         "configfs",   "fusectl",
        "mqueue",     "hugetlbfs", "binfmt_misc", "autofs",          "bpf",        "efivarfs",
        "rpc_pipefs", "nsfs",      "rootfs",      "fuse.gvfsd-fuse", "fuse.portal"};
    for (const char* t : kPseudo)
        if (fsType == t)
            return true;
    if (fsType == "squashfs" && IsUnder(root, QStringLiteral("/snap")))
        return true;
    for (const char* p : {"/proc", "/sys", "/dev", "/run/user", "/run/lock", "/run/credentials"})
        if (IsUnder(root, QString::fromLatin1(p)))
            return true;
    if (root == QLatin1String("/run"))
        return true;
    return false;
}

int ClassifyVolume(const QByteArray& fsType, const QByteArray& device, const QString& root,
                   int removableFlag) {
    if (fsType.isEmpty() && device.isEmpty())
        return vtUnknown;
    if (fsType == "tmpfs" || fsType == "ramfs")
        return vtRamDisk;
    if (fsType == "iso9660" || fsType == "udf" || device.startsWith("/dev/sr"))
        return vtCdRom;
    if (fsType.startsWith("nfs") || fsType == "cifs" || fsType == "smb3" || fsType == "smbfs" ||
        fsType == "sshfs" || fsType == "fuse.sshfs" || fsType == "9p" || fsType == "davfs" ||
        fsType == "fuse.davfs")
        return vtRemote;
    const int removable = removableFlag >= 0 ? removableFlag : SysfsRemovable(device);
    if (removable == 1 || IsUnder(root, QStringLiteral("/media")) ||
        IsUnder(root, QStringLiteral("/run/media")))
        return vtRemovable;
    return vtFixed;
}

std::vector<VolumeInfo> MountedVolumes() {
    std::vector<VolumeInfo> result;
    bool haveRoot = false;
    auto add = [&](const QStorageInfo& s) {
        VolumeInfo v;
        v.root = s.rootPath();
        v.name = s.displayName();
        v.device = s.device();
        v.fsType = s.fileSystemType();
        v.type = ClassifyVolume(v.fsType, v.device, v.root);
        if (v.root == QLatin1String("/"))
            haveRoot = true;
        result.push_back(std::move(v));
    };
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes()) {
        if (!s.isValid() || s.rootPath().isEmpty())
            continue;
        if (IsPseudoVolume(s.fileSystemType(), s.rootPath()))
            continue;
        const bool duplicate = std::any_of(result.begin(), result.end(), [&](const VolumeInfo& v) {
            return v.root == s.rootPath();
        });
        if (!duplicate)
            add(s);
    }
    // Containers often mount "/" as a file system that the storage list hides.
    if (!haveRoot)
        add(QStorageInfo::root());
    std::sort(result.begin(), result.end(),
              [](const VolumeInfo& a, const VolumeInfo& b) { return a.root < b.root; });
    return result;
}

bool VolumeSpaceKb(const QString& root, std::int64_t& totalKb, std::int64_t& freeKb) {
    struct statvfs st {};
    if (root.isEmpty() || ::statvfs(QFile::encodeName(root).constData(), &st) != 0)
        return false;
    const auto unit = static_cast<std::int64_t>(st.f_frsize ? st.f_frsize : st.f_bsize);
    totalKb = static_cast<std::int64_t>(st.f_blocks) * unit / 1024;
    freeKb = static_cast<std::int64_t>(st.f_bavail) * unit / 1024;
    return true;
}

VolumeInfo VolumeOfPath(const QString& path) {
    VolumeInfo best;
    if (!path.startsWith(QLatin1Char('/')))
        return best;
    for (const VolumeInfo& v : MountedVolumes()) {
        const bool prefix = v.root == QLatin1String("/") || IsUnder(path, v.root) ||
                            path == v.root + QLatin1Char('/');
        if (prefix && v.root.size() >= best.root.size())
            best = v;
    }
    return best;
}

} // namespace kivo
