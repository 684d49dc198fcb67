#pragma once
// Mounted volumes, standing in for the drives of the original platform: each volume's
// root path plays the part of a drive root. The list comes from /proc/self/mountinfo and
// never touches a mount; sizes are asked off the GUI thread (VolumeProber), so a dead
// network mount cannot freeze the window.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QByteArray>
#include <QObject>
#include <QString>

namespace kivo {

// Drive types as the listings show them.
enum VolumeType : int {
    vtUnknown = 0, // type cannot be determined
    vtNoRoot = 1,  // no root directory
    vtRemovable = 2,
    vtFixed = 3,
    vtRemote = 4,
    vtCdRom = 5,
    vtRamDisk = 6,
};

struct VolumeInfo {
    QString root;      // mount point, "/" or without a trailing "/"
    QString name;      // label, or the root when there is none
    QByteArray device; // e.g. "/dev/sda1"
    QByteArray fsType; // e.g. "ext4"
    int type = vtUnknown;
};

// One line of /proc/self/mountinfo: the mount point and the source, octal escapes
// decoded; nothing else of the line is needed.
struct MountEntry {
    QByteArray mountPoint;
    QByteArray fsType;
    QByteArray source;
};
std::vector<MountEntry> ParseMountInfo(const QByteArray& text);

// The listed volumes of a mount table: pseudo file systems left out, a mount point
// mounted over counts once (the last mount), "/" always present, in the order of their
// roots. Labels come from `labelOf` (device -> label, empty for none).
std::vector<VolumeInfo> VolumesOf(const std::vector<MountEntry>& mounts,
                                  const std::function<QString(const QByteArray&)>& labelOf = {});

// Mounted file systems (ready or not) from /proc/self/mountinfo, labels from
// /dev/disk/by-label. Reads no mounted file system.
std::vector<VolumeInfo> MountedVolumes();

// The type of a volume from its file-system type, device and mount point; the sysfs
// `removable` flag of the device is read when `removableFlag` is -1 (unknown).
int ClassifyVolume(const QByteArray& fsType, const QByteArray& device, const QString& root,
                   int removableFlag = -1);

// Whether a mount is a pseudo file system that the drive listing leaves out.
bool IsPseudoVolume(const QByteArray& fsType, const QString& root);

// Total and free space in units of 1024 bytes; false when the volume cannot be asked.
// Blocks as long as the file system does: call it off the GUI thread.
bool VolumeSpaceKb(const QString& root, std::int64_t& totalKb, std::int64_t& freeKb);

// The volume whose root is the longest prefix of `path` (root "/" at least); empty root
// when the path is not absolute.
VolumeInfo VolumeOfPath(const QString& path);

struct VolumeSpace {
    bool ok = false; // the volume answered
    std::int64_t totalKb = 0;
    std::int64_t freeKb = 0;
};
using VolumeProbeFunction = std::function<VolumeSpace(const QString& root)>;
// The probe of the running program: statvfs through VolumeSpaceKb.
VolumeSpace StatVolume(const QString& root);

enum class ProbeState {
    Ready,   // the volume answered
    Failed,  // it answered with an error (no such mount, no access)
    Pending, // no answer within the timeout: shown as unavailable
};
struct ProbeAnswer {
    ProbeState state = ProbeState::Pending;
    VolumeSpace space;
};

// Asks volumes for their space on worker threads, one per volume asked, never two at a
// time for the same root: a probe stuck in the kernel keeps its thread and nothing else.
// The GUI-facing calls wait at most their timeout; an answer that comes later is kept
// and announced by Probed.
class VolumeProber : public QObject {
    Q_OBJECT
public:
    explicit VolumeProber(VolumeProbeFunction probe = &StatVolume, QObject* parent = nullptr);
    ~VolumeProber() override;

    void SetProbeFunction(VolumeProbeFunction probe);
    std::chrono::milliseconds Timeout() const { return timeout_; }
    void SetTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
    // Answers younger than this are used again instead of asking once more.
    void SetMaxAge(std::chrono::milliseconds age) { maxAge_ = age; }
    // Forgets every kept answer (probes under way go on).
    void Forget();

    // Asks all roots at once and waits at most Timeout() in all; a root whose probe is
    // still under way from an earlier call is not waited for.
    std::vector<ProbeAnswer> ProbeAll(const std::vector<QString>& roots);
    ProbeAnswer Probe(const QString& root) { return ProbeAll({root}).front(); }
    // Probes under way, stuck ones included.
    int PendingCount() const;

signals:
    // A probe that was still under way when a call stopped waiting has answered.
    void Probed(const QString& root);

private:
    struct State;
    std::shared_ptr<State> state_;
    std::chrono::milliseconds timeout_{500};
    std::chrono::milliseconds maxAge_{2000};
};

// The prober the listings of the program share (created on first use, GUI thread).
VolumeProber& SharedVolumeProber();

} // namespace kivo
