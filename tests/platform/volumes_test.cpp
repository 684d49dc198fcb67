// Mounted volumes standing in for drives: classification, pseudo file systems, space.

#include <gtest/gtest.h>

#include <QString>

#include "platform/gui/volumes.h"

namespace kivo {
namespace {

struct TypeCase {
    const char* fsType;
    const char* device;
    const char* root;
    int removable;
    int type;
};

class ClassifyTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ClassifyTest, Type) {
    const TypeCase& c = GetParam();
    EXPECT_EQ(ClassifyVolume(c.fsType, c.device, QString::fromUtf8(c.root), c.removable), c.type);
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, ClassifyTest,
    ::testing::Values(TypeCase{"ext4", "/dev/sda1", "/", 0, vtFixed},
                      TypeCase{"btrfs", "/dev/nvme0n1p2", "/home", 0, vtFixed},
                      TypeCase{"vfat", "/dev/sdb1", "/mnt/stick", 1, vtRemovable},
                      TypeCase{"vfat", "/dev/sdb1", "/media/user/CARD", 0, vtRemovable},
                      TypeCase{"exfat", "/dev/sdc1", "/run/media/user/SD", 0, vtRemovable},
                      TypeCase{"tmpfs", "tmpfs", "/tmp", 0, vtRamDisk},
                      TypeCase{"ramfs", "ramfs", "/mnt/ram", 0, vtRamDisk},
                      TypeCase{"iso9660", "/dev/sr0", "/media/cd", 1, vtCdRom},
                      TypeCase{"udf", "/dev/sr0", "/mnt/dvd", 0, vtCdRom},
                      TypeCase{"nfs4", "server:/export", "/net", 0, vtRemote},
                      TypeCase{"cifs", "//server/share", "/mnt/share", 0, vtRemote},
                      TypeCase{"fuse.sshfs", "user@host:", "/mnt/ssh", 0, vtRemote},
                      TypeCase{"9p", "hostshare", "/mnt/host", 0, vtRemote},
                      TypeCase{"", "", "/x", 0, vtUnknown}));

TEST(Volumes, PseudoFileSystemsAreLeftOut) {
    EXPECT_TRUE(IsPseudoVolume("proc", QStringLiteral("/proc")));
    EXPECT_TRUE(IsPseudoVolume("sysfs", QStringLiteral("/sys")));
    EXPECT_TRUE(IsPseudoVolume("cgroup2", QStringLiteral("/sys/fs/cgroup")));
    EXPECT_TRUE(IsPseudoVolume("tmpfs", QStringLiteral("/dev/shm")));
    EXPECT_TRUE(IsPseudoVolume("tmpfs", QStringLiteral("/run/user/1000")));
    EXPECT_TRUE(IsPseudoVolume("squashfs", QStringLiteral("/snap/core/1")));
    EXPECT_FALSE(IsPseudoVolume("ext4", QStringLiteral("/")));
    EXPECT_FALSE(IsPseudoVolume("tmpfs", QStringLiteral("/tmp")));
    EXPECT_FALSE(IsPseudoVolume("vfat", QStringLiteral("/run/media/user/SD")));
    EXPECT_FALSE(IsPseudoVolume("ext4", QStringLiteral("/devices"))); // not under /dev
}

TEST(Volumes, TheRootIsAlwaysListedAndTheListIsOrdered) {
    const std::vector<VolumeInfo> volumes = MountedVolumes();
    ASSERT_FALSE(volumes.empty());
    bool root = false;
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        root = root || volumes[i].root == QLatin1String("/");
        EXPECT_FALSE(IsPseudoVolume(volumes[i].fsType, volumes[i].root));
        if (i > 0) {
            EXPECT_LT(volumes[i - 1].root, volumes[i].root);
        }
    }
    EXPECT_TRUE(root);
}

TEST(Volumes, SpaceOfTheRoot) {
    std::int64_t total = 0, free = 0;
    ASSERT_TRUE(VolumeSpaceKb(QStringLiteral("/"), total, free));
    EXPECT_GT(total, 0);
    EXPECT_GE(free, 0);
    EXPECT_LE(free, total);
    EXPECT_FALSE(VolumeSpaceKb(QStringLiteral("/no/such/mount"), total, free));
    EXPECT_FALSE(VolumeSpaceKb(QString(), total, free));
}

TEST(Volumes, VolumeOfAPathIsTheLongestRoot) {
    EXPECT_EQ(VolumeOfPath(QStringLiteral("/")).root, QStringLiteral("/"));
    const VolumeInfo v = VolumeOfPath(QStringLiteral("/usr/share"));
    EXPECT_TRUE(QStringLiteral("/usr/share").startsWith(v.root));
    EXPECT_TRUE(VolumeOfPath(QStringLiteral("relative/path")).root.isEmpty());
}

} // namespace
} // namespace kivo
