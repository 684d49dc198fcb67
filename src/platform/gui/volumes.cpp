#include "platform/gui/volumes.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/gui/path_text.h"

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

// mountinfo escapes blanks, tabs, newlines and backslashes as \ooo.
QByteArray Unescape(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
            field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// udev names labels in /dev/disk/by-label with \xHH escapes.
QString UnescapeLabel(const QByteArray& name) {
    QByteArray out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        bool ok = false;
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            const int v = name.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out += static_cast<char>(v);
                i += 3;
                continue;
            }
        }
        out += name[i];
    }
    return QString::fromUtf8(out);
}

// Canonical device path -> label, from the links udev keeps (device nodes, never a mount).
std::map<QString, QString> DeviceLabels() {
    std::map<QString, QString> labels;
    const QDir dir(QStringLiteral("/dev/disk/by-label"));
    for (const QFileInfo& link :
         dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const QString device = link.canonicalFilePath();
        if (!device.isEmpty())
            labels[device] = UnescapeLabel(QFile::encodeName(link.fileName()));
    }
    return labels;
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

std::vector<MountEntry> ParseMountInfo(const QByteArray& text) {
    // ID PARENT MAJ:MIN ROOT MOUNTPOINT OPTIONS [OPTIONAL...] - FSTYPE SOURCE SUPEROPTIONS
    std::vector<MountEntry> mounts;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        const qsizetype dash = f.indexOf(QByteArray("-"));
        if (f.size() < 5 || dash < 6 || dash + 2 >= f.size())
            continue;
        mounts.push_back({Unescape(f[4]), Unescape(f[dash + 1]), Unescape(f[dash + 2])});
    }
    return mounts;
}

std::vector<VolumeInfo> VolumesOf(const std::vector<MountEntry>& mounts,
                                  const std::function<QString(const QByteArray&)>& labelOf) {
    std::map<QString, VolumeInfo> byRoot; // sorted by root; a later mount hides an earlier
    for (const MountEntry& m : mounts) {
        const QString root = PathText(m.mountPoint.toStdString());
        if (root.isEmpty() || !root.startsWith(u'/'))
            continue;
        if (IsPseudoVolume(m.fsType, root)) {
            byRoot.erase(root);
            continue;
        }
        VolumeInfo v;
        v.root = root;
        v.device = m.source;
        v.fsType = m.fsType;
        const QString label = labelOf ? labelOf(m.source) : QString();
        v.name = label.isEmpty() ? DisplayText(root) : label;
        v.type = ClassifyVolume(v.fsType, v.device, v.root);
        byRoot[root] = std::move(v);
    }
    if (byRoot.find(QStringLiteral("/")) == byRoot.end()) {
        // Containers often mount "/" in a way the table does not show.
        VolumeInfo v;
        v.root = v.name = QStringLiteral("/");
        v.type = vtFixed;
        byRoot[v.root] = v;
    }
    std::vector<VolumeInfo> result;
    for (auto& [root, v] : byRoot)
        result.push_back(std::move(v));
    return result;
}

std::vector<VolumeInfo> MountedVolumes() {
    QFile f(QStringLiteral("/proc/self/mountinfo"));
    QByteArray text;
    if (f.open(QIODevice::ReadOnly))
        text = f.readAll(); // a kernel table: it never waits for a mounted file system
    const std::map<QString, QString> labels = DeviceLabels();
    return VolumesOf(ParseMountInfo(text), [&labels](const QByteArray& device) {
        if (!device.startsWith("/dev/"))
            return QString();
        const QString canonical = QFileInfo(QFile::decodeName(device)).canonicalFilePath();
        const auto it = labels.find(canonical);
        return it == labels.end() ? QString() : it->second;
    });
}

bool VolumeSpaceKb(const QString& root, std::int64_t& totalKb, std::int64_t& freeKb) {
    struct statvfs st {};
    if (root.isEmpty() || ::statvfs(PathBytes(root).c_str(), &st) != 0)
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

VolumeSpace StatVolume(const QString& root) {
    VolumeSpace s;
    s.ok = VolumeSpaceKb(root, s.totalKb, s.freeKb);
    return s;
}

// --- VolumeProber -------------------------------------------------------------------------

// Shared with the worker threads, which may outlive the prober.
struct VolumeProber::State {
    using Clock = std::chrono::steady_clock;
    struct Entry {
        bool pending = false;
        bool have = false;
        bool late = false; // a call stopped waiting for it: announce the answer
        VolumeSpace space;
        Clock::time_point at;
    };
    std::mutex mutex;
    std::condition_variable answered;
    std::map<QString, Entry> entries;
    VolumeProbeFunction probe;
    VolumeProber* receiver = nullptr; // cleared when the prober goes

    void Finish(const QString& root, const VolumeSpace& space) {
        const std::lock_guard<std::mutex> lock(mutex);
        Entry& e = entries[root];
        e.pending = false;
        e.have = true;
        e.space = space;
        e.at = Clock::now();
        if (e.late && receiver) {
            VolumeProber* r = receiver;
            // Posted under the lock: the prober cannot be destroyed meanwhile, and Qt drops
            // the call if it is destroyed before the event is delivered.
            QMetaObject::invokeMethod(
                r, [r, root] { emit r->Probed(root); }, Qt::QueuedConnection);
        }
        e.late = false;
        answered.notify_all();
    }
};

VolumeProber::VolumeProber(VolumeProbeFunction probe, QObject* parent)
    : QObject(parent), state_(std::make_shared<State>()) {
    state_->probe = probe ? std::move(probe) : VolumeProbeFunction(&StatVolume);
    state_->receiver = this;
}

VolumeProber::~VolumeProber() {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->receiver = nullptr;
}

void VolumeProber::SetProbeFunction(VolumeProbeFunction probe) {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->probe = probe ? std::move(probe) : VolumeProbeFunction(&StatVolume);
}

void VolumeProber::Forget() {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    for (auto& [root, e] : state_->entries)
        e.have = false;
}

int VolumeProber::PendingCount() const {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return static_cast<int>(std::count_if(state_->entries.begin(), state_->entries.end(),
                                          [](const auto& kv) { return kv.second.pending; }));
}

std::vector<ProbeAnswer> VolumeProber::ProbeAll(const std::vector<QString>& roots) {
    using Clock = State::Clock;
    const auto now = Clock::now();
    const auto deadline = now + timeout_;
    std::unique_lock<std::mutex> lock(state_->mutex);
    std::vector<QString> started;
    for (const QString& root : roots) {
        State::Entry& e = state_->entries[root];
        if (e.pending || (e.have && now - e.at < maxAge_))
            continue;
        e.pending = true;
        try {
            std::thread([state = state_, probe = state_->probe, root] {
                state->Finish(root, probe(root));
            }).detach();
            started.push_back(root);
        } catch (const std::system_error&) {
            e.pending = false; // no thread to ask with: no answer either
            e.have = true;
            e.space = {};
            e.at = now;
        }
    }
    state_->answered.wait_until(lock, deadline, [&] {
        return std::none_of(started.begin(), started.end(),
                            [&](const QString& r) { return state_->entries[r].pending; });
    });
    std::vector<ProbeAnswer> answers;
    for (const QString& root : roots) {
        State::Entry& e = state_->entries[root];
        ProbeAnswer a;
        if (e.pending) {
            e.late = true;
            a.state = ProbeState::Pending;
        } else {
            a.state = e.space.ok ? ProbeState::Ready : ProbeState::Failed;
            a.space = e.space;
        }
        answers.push_back(a);
    }
    return answers;
}

VolumeProber& SharedVolumeProber() {
    static VolumeProber prober;
    return prober;
}

} // namespace kivo
