// How the settings file is replaced: whole or not at all, never through anything but a
// regular file, with its mode and its link kept.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/settings.h"
#include "support/temp_dir.h"

using namespace kivo;
using kivo::test::ReadWholeFile;
using kivo::test::TempDir;

namespace {

// Names in the folder other than the ones expected: leftovers of a write.
std::vector<std::string> Leftovers(const std::string& dir, const std::vector<std::string>& keep) {
    std::vector<std::string> extra;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (std::find(keep.begin(), keep.end(), name) == keep.end())
            extra.push_back(name);
    }
    return extra;
}

// Files may not grow beyond `bytes` while it lives; SIGXFSZ is ignored so that a write
// past the limit fails with EFBIG instead of ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old_;
        lim.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

} // namespace

class IniWriteTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string ini = dir.file("kivo.ini");
};

TEST_F(IniWriteTest, AWriteThatFailsHalfwayLeavesTheOldFileIntact) {
    const std::string original = "[Nastaveni]\r\nadresar=/photos\r\nsirka=385\r\n";
    dir.write("kivo.ini", original);
    const std::string longValue(4096, 'x');
    {
        // The new text is larger than the limit: its write stops with EFBIG halfway.
        FileSizeLimit limit(256);
        try {
            WriteIniString(ini, "Nastaveni", "adresar", longValue);
            FAIL() << "a write past the file size limit succeeded";
        } catch (const IniWriteError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + ini);
        }
    }
    EXPECT_EQ(ReadWholeFile(ini), original);
    EXPECT_TRUE(Leftovers(dir.path(), {"kivo.ini"}).empty());
    // Once there is room the same write lands whole.
    WriteIniString(ini, "Nastaveni", "adresar", longValue);
    EXPECT_EQ(ReadIniString(ini, "Nastaveni", "adresar", ""), longValue);
    EXPECT_EQ(ReadIniInteger(ini, "Nastaveni", "sirka", 0), 385);
}

TEST_F(IniWriteTest, ASuccessfulWriteLeavesNoTemporaryFile) {
    for (int i = 0; i < 5; ++i)
        WriteIniInteger(ini, "SLV", "Name", 100 + i);
    EXPECT_EQ(ReadWholeFile(ini), "[SLV]\r\nName=104\r\n");
    EXPECT_TRUE(Leftovers(dir.path(), {"kivo.ini"}).empty());
}

TEST_F(IniWriteTest, TheFileKeepsItsPermissions) {
    dir.write("kivo.ini", "[A]\r\nb=1\r\n");
    ::chmod(ini.c_str(), 0640);
    WriteIniInteger(ini, "A", "b", 2);
    struct stat st {};
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadIniInteger(ini, "A", "b", 0), 2);
}

TEST_F(IniWriteTest, ALinkedFileStaysLinkedAndItsTargetChanges) {
    const std::string real = dir.write("shared/kivo-real.ini", "[A]\r\nb=1\r\n");
    ASSERT_EQ(::symlink(real.c_str(), ini.c_str()), 0);
    WriteIniInteger(ini, "A", "b", 7);
    struct stat st {};
    ASSERT_EQ(::lstat(ini.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadWholeFile(real), "[A]\r\nb=7\r\n");
    EXPECT_TRUE(Leftovers(dir.file("shared"), {"kivo-real.ini"}).empty());
}

TEST_F(IniWriteTest, AFifoUnderTheNameNeitherBlocksNorIsReplaced) {
    ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0);
    // Reading a FIFO without a writer would wait forever; it reads as a missing file.
    EXPECT_EQ(ReadIniInteger(ini, "A", "b", 9), 9);
    EXPECT_THROW(WriteIniInteger(ini, "A", "b", 2), IniWriteError);
    struct stat st {};
    ASSERT_EQ(::lstat(ini.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(IniWriteTest, AFolderUnderTheNameIsNeverReplaced) {
    dir.write("kivo.ini/inside.txt", "keep");
    EXPECT_THROW(WriteIniInteger(ini, "A", "b", 2), IniWriteError);
    EXPECT_EQ(ReadWholeFile(dir.file("kivo.ini/inside.txt")), "keep");
}

TEST_F(IniWriteTest, AnUnwritableFolderIsReportedAndTheFileStays) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root: folder permissions are not enforced";
    dir.write("ro/kivo.ini", "[A]\r\nb=1\r\n");
    const std::string path = dir.file("ro/kivo.ini");
    ::chmod(dir.file("ro").c_str(), 0555);
    // The file itself is writable, but no sibling can be made: nothing is written in place.
    EXPECT_THROW(WriteIniInteger(path, "A", "b", 2), IniWriteError);
    ::chmod(dir.file("ro").c_str(), 0755);
    EXPECT_EQ(ReadWholeFile(path), "[A]\r\nb=1\r\n");
}

TEST_F(IniWriteTest, ANameNearTheLengthLimitIsStillReplacedWhole) {
    // No "name + suffix" sibling fits beside this name; the file is never written in place.
    const std::string name = std::string(250, 'k') + ".ini";
    const std::string path = dir.write(name, "[A]\r\nb=1\r\n");
    {
        FileSizeLimit limit(64);
        EXPECT_THROW(WriteIniString(path, "A", "c", std::string(1000, 'y')), IniWriteError);
    }
    EXPECT_EQ(ReadWholeFile(path), "[A]\r\nb=1\r\n");
    EXPECT_TRUE(Leftovers(dir.path(), {name}).empty());
    WriteIniInteger(path, "A", "b", 2);
    EXPECT_EQ(ReadWholeFile(path), "[A]\r\nb=2\r\n");
}
