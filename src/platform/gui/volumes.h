#pragma once
// Mounted volumes, standing in for the drives of the original platform: each volume's
// root path plays the part of a drive root.

#include <cstdint>
#include <vector>

#include <QByteArray>
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
    QString name;      // label, or the display name when there is none
    QByteArray device; // e.g. "/dev/sda1"
    QByteArray fsType; // e.g. "ext4"
    int type = vtUnknown;
};

// Mounted file systems (ready or not), pseudo file systems left out, in the order of
// their root paths. "/" is always present.
std::vector<VolumeInfo> MountedVolumes();

// The type of a volume from its file-system type, device and mount point; the sysfs
// `removable` flag of the device is read when `removableFlag` is -1 (unknown).
int ClassifyVolume(const QByteArray& fsType, const QByteArray& device, const QString& root,
                   int removableFlag = -1);

// Whether a mount is a pseudo file system that the drive listing leaves out.
bool IsPseudoVolume(const QByteArray& fsType, const QString& root);

// Total and free space in units of 1024 bytes; false when the volume cannot be asked.
bool VolumeSpaceKb(const QString& root, std::int64_t& totalKb, std::int64_t& freeKb);

// The volume whose root is the longest prefix of `path` (root "/" at least); empty root
// when the path is not absolute.
VolumeInfo VolumeOfPath(const QString& path);

} // namespace kivo
