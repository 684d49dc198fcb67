// How many readers a folder's files get, judged from a made-up sysfs tree.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "platform/storage_kind.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

// sysfs as the kernel lays it out: /dev/block/M:m links into the device tree, a partition
// sits in its disk's folder, and only the disk has a queue.
class FakeSysfs : public ::testing::Test {
protected:
    void SetUp() override {
        disk("devices/pci0/block/sda", "1");
        sys.write("devices/pci0/block/sda/sda1/partition", "1\n");
        disk("devices/pci0/block/nvme0n1", "0");
        sys.write("devices/pci0/block/nvme0n1/nvme0n1p2/partition", "2\n");
        sys.mkdir("devices/virtual/block/loop0"); // no queue attributes at all
        sys.mkdir("dev/block");
        link("8:0", "devices/pci0/block/sda");
        link("8:1", "devices/pci0/block/sda/sda1");
        link("259:0", "devices/pci0/block/nvme0n1");
        link("259:2", "devices/pci0/block/nvme0n1/nvme0n1p2");
        link("7:0", "devices/virtual/block/loop0");
    }
    void disk(const std::string& at, const char* rotational) {
        sys.write(at + "/queue/rotational", std::string(rotational) + "\n");
    }
    void link(const std::string& dev, const std::string& target) {
        std::filesystem::create_directory_symlink("../../" + target, sys.file("dev/block/" + dev));
    }
    test::TempDir sys;
};

TEST_F(FakeSysfs, ParallelOnlyOnDisksThatDoNotRotate) {
    struct Case {
        unsigned major, minor, cores;
        int readers;
    } const cases[] = {
        {8, 0, 8, 1},   {8, 1, 8, 1},   // rotating disk and its partition
        {259, 0, 2, 2}, {259, 2, 8, 4}, // solid state: the cores, at most 4
        {259, 2, 0, 1},                 // no core count known
        {7, 0, 8, 1},                   // no queue to ask
        {0, 42, 8, 1},                  // no block device (tmpfs, overlay)
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadersForDevice(c.major, c.minor, c.cores, sys.path()), c.readers)
            << c.major << ":" << c.minor;
}

TEST(StorageKind, AFolderThatIsNotThereReadsSequentially) {
    EXPECT_EQ(ReadersForFolder("/nonexistent/folder", 8), 1);
}

} // namespace
} // namespace kivo
