// Moves and copies that survive a crash: a move across file systems killed halfway
// leaves the source whole and nothing half-written under the final name; the next run
// finishes it and clears the leftover. Links move as links, FIFOs are refused.

#include <cerrno>
#include <climits>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using namespace kivo;
using kivo::test::ReadWholeFile;
using kivo::test::TempDir;

namespace {

// A folder on /dev/shm when that is another file system than the temporary folder's.
class OtherFileSystem {
public:
    explicit OtherFileSystem(const TempDir& t) {
        struct stat a {
        }, b{};
        if (::stat(t.path().c_str(), &a) != 0 || ::stat("/dev/shm", &b) != 0 ||
            a.st_dev == b.st_dev || ::access("/dev/shm", W_OK) != 0)
            return;
        std::string templ = "/dev/shm/kivo-move-XXXXXX";
        if (::mkdtemp(templ.data()))
            path_ = templ;
    }
    ~OtherFileSystem() {
        std::error_code ec;
        if (!path_.empty())
            fs::remove_all(path_, ec);
    }
    bool available() const { return !path_.empty(); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

#define REQUIRE_OTHER_FILE_SYSTEM(other)                                                           \
    if (!(other).available())                                                                      \
    GTEST_SKIP() << "no second writable file system at /dev/shm (it is the temporary folder's "    \
                    "or missing): nothing to move across"

// Every name in a folder as the system lists it, temporary files included.
std::vector<std::string> RawNames(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Bytes(std::size_t n, unsigned seed) {
    std::string s(n, '\0');
    unsigned x = seed;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return s;
}

void SetTimes(const std::string& path, time_t mtime) {
    const timespec times[2] = {{mtime - 100, 0}, {mtime, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

struct stat Lstat(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

} // namespace

TEST(CrashSafeMove, KilledMidCopyLeavesSourceWholeAndRerunCompletes) {
    TempDir t;
    OtherFileSystem other(t);
    REQUIRE_OTHER_FILE_SYSTEM(other);
    const std::string contents = Bytes(6 << 20, 7);
    const std::string src = t.write("IMG_0001.jpg", contents);
    ::chmod(src.c_str(), 0640);
    SetTimes(src, 1300000000);
    const std::string dst = other.file("IMG_0001.jpg");

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        // Says "copying" after the first piece and then waits to be killed.
        const FsResult r = MoveNoReplace(src, dst, [&](std::uint64_t) {
            const char c = 'c';
            if (::write(ready[1], &c, 1) != 1)
                ::_exit(3);
            for (;;)
                ::pause();
            return true;
        });
        ::_exit(r ? 0 : 1);
    }
    ::close(ready[1]);
    char c = 0;
    const ssize_t got = ::read(ready[0], &c, 1); // the child is in the middle of the copy
    ::close(ready[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(got, 1) << "the child ended before it began copying";
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    // The source is whole; under the final name there is nothing, or the complete photo.
    EXPECT_EQ(ReadWholeFile(src), contents);
    if (PathExists(dst)) {
        EXPECT_EQ(ReadWholeFile(dst), contents);
    }
    // What the killed run left is a temporary file, never listed as a photo.
    const std::vector<std::string> left = RawNames(other.path());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(IsCopyTempName(left[0])) << left[0];
    EXPECT_EQ(left[0].rfind(".IMG_0001.jpg.kivo-", 0), 0u) << left[0];
    for (const DirEntry& e : EnumerateFolder(other.path(), "*.*")) {
        EXPECT_TRUE(e.name == "." || e.name == "..") << e.name;
    }

    // The rerun completes with the same bytes, times and permissions, and clears the
    // leftover.
    const FsResult again = MoveNoReplace(src, dst);
    ASSERT_TRUE(again) << again.message();
    EXPECT_EQ(ReadWholeFile(dst), contents);
    EXPECT_FALSE(PathExists(src));
    EXPECT_EQ(RawNames(other.path()), std::vector<std::string>{"IMG_0001.jpg"});
    const struct stat st = Lstat(dst);
    EXPECT_EQ(st.st_mtim.tv_sec, 1300000000);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(CrashSafeMove, TakenNameAcrossFileSystemsIsNeverReplaced) {
    TempDir t;
    OtherFileSystem other(t);
    REQUIRE_OTHER_FILE_SYSTEM(other);
    const std::string src = t.write("a.jpg", "mine");
    const std::string dst = other.file("a.jpg");
    ASSERT_TRUE(CopyFileSafely(src, dst)); // a copy first: the name is now taken
    ASSERT_EQ(::truncate(dst.c_str(), 2), 0);
    const FsResult r = MoveNoReplace(src, dst);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, EEXIST);
    EXPECT_TRUE(r.atTarget);
    EXPECT_EQ(ReadWholeFile(src), "mine");
    EXPECT_EQ(ReadWholeFile(dst), "mi");
    EXPECT_EQ(RawNames(other.path()), std::vector<std::string>{"a.jpg"});
}

TEST(CrashSafeMove, CancelUndoesTheCopyAndKeepsTheSource) {
    TempDir t;
    OtherFileSystem other(t);
    REQUIRE_OTHER_FILE_SYSTEM(other);
    const std::string contents = Bytes(3 << 20, 3);
    const std::string src = t.write("big.jpg", contents);
    const FsResult r =
        MoveNoReplace(src, other.file("big.jpg"), [](std::uint64_t) { return false; });
    EXPECT_EQ(r.error, ECANCELED);
    EXPECT_EQ(ReadWholeFile(src), contents);
    EXPECT_TRUE(RawNames(other.path()).empty());
}

TEST(CrashSafeMove, SourceReplacedWhileCopyingIsNotRemoved) {
    TempDir t;
    OtherFileSystem other(t);
    REQUIRE_OTHER_FILE_SYSTEM(other);
    const std::string src = t.write("a.jpg", Bytes(3 << 20, 1));
    const std::string swap = t.write("swap.jpg", "another photo");
    bool swapped = false;
    const FsResult r = MoveNoReplace(src, other.file("a.jpg"), [&](std::uint64_t) {
        if (!swapped)
            swapped = ::rename(swap.c_str(), src.c_str()) == 0;
        return true;
    });
    ASSERT_TRUE(swapped);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, kFsSourceChanged);
    EXPECT_EQ(r.message(), "replaced while being copied");
    EXPECT_EQ(ReadWholeFile(src), "another photo");
    EXPECT_TRUE(RawNames(other.path()).empty());
}

TEST(CrashSafeMove, SymlinkMovesAsALink) {
    TempDir t;
    OtherFileSystem other(t);
    REQUIRE_OTHER_FILE_SYSTEM(other);
    const std::string photo = t.write("photos/a.jpg", "the photo");
    const std::string link = t.file("link.jpg");
    ASSERT_EQ(::symlink("photos/a.jpg", link.c_str()), 0);
    const FsResult r = MoveNoReplace(link, other.file("link.jpg"));
    ASSERT_TRUE(r) << r.message();
    EXPECT_FALSE(PathExists(link));
    ASSERT_TRUE(S_ISLNK(Lstat(other.file("link.jpg")).st_mode));
    EXPECT_EQ(fs::read_symlink(other.file("link.jpg")).string(), "photos/a.jpg");
    EXPECT_EQ(ReadWholeFile(photo), "the photo"); // the target is not touched
}

TEST(CrashSafeMove, DanglingSymlinkMovesAsALink) {
    TempDir t;
    OtherFileSystem other(t);
    REQUIRE_OTHER_FILE_SYSTEM(other);
    const std::string link = t.file("gone.jpg");
    ASSERT_EQ(::symlink("/nonexistent/kivo/gone.jpg", link.c_str()), 0);
    ASSERT_TRUE(MoveNoReplace(link, other.file("gone.jpg")));
    EXPECT_EQ(fs::read_symlink(other.file("gone.jpg")).string(), "/nonexistent/kivo/gone.jpg");
}

TEST(CrashSafeMove, FifoIsRefusedWithAReasonAndNotOpened) {
    TempDir t;
    OtherFileSystem other(t);
    REQUIRE_OTHER_FILE_SYSTEM(other);
    const std::string fifo = t.file("pipe.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const FsResult r = MoveNoReplace(fifo, other.file("pipe.jpg")); // would block if opened
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, kFsNotRegularFile);
    EXPECT_EQ(r.message(), "not a regular file");
    EXPECT_TRUE(S_ISFIFO(Lstat(fifo).st_mode));
    EXPECT_TRUE(RawNames(other.path()).empty());
    const FsResult copy = CopyFileSafely(fifo, t.file("copy.jpg"));
    EXPECT_EQ(copy.error, kFsNotRegularFile);
    EXPECT_FALSE(PathExists(t.file("copy.jpg")));
}

TEST(CrashSafeMove, NameAtTheLengthLimitGetsAShortenedTemporaryName) {
    TempDir t;
    OtherFileSystem other(t);
    REQUIRE_OTHER_FILE_SYSTEM(other);
    // 250 bytes of two-byte letters and an extension: the temporary name must be cut.
    std::string name;
    while (name.size() + 2 + 4 <= NAME_MAX)
        name += "\xc4\x8d"; // č
    name += ".jpg";
    ASSERT_LE(name.size(), std::size_t(NAME_MAX));
    const std::string src = t.write(name, "long");
    const FsResult r = MoveNoReplace(src, other.file(name));
    ASSERT_TRUE(r) << r.message();
    EXPECT_EQ(ReadWholeFile(other.file(name)), "long");
}

TEST(CrashSafeCopy, CopyNeverReplacesUnlessAsked) {
    TempDir t;
    const std::string a = t.write("a.jpg", "new");
    const std::string b = t.write("b.jpg", "old");
    SetTimes(a, 1200000000);
    const FsResult r = CopyFileSafely(a, b);
    EXPECT_EQ(r.error, EEXIST);
    EXPECT_EQ(ReadWholeFile(b), "old");
    ASSERT_TRUE(CopyFileSafely(a, b, CopyPublish::Replace));
    EXPECT_EQ(ReadWholeFile(b), "new");
    EXPECT_EQ(Lstat(b).st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(RawNames(t.path()), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

TEST(CrashSafeCopy, MissingTargetFolderFailsAtTheTarget) {
    TempDir t;
    const std::string a = t.write("a.jpg", "A");
    const FsResult r = CopyFileSafely(a, t.file("missing/a.jpg"));
    EXPECT_EQ(r.error, ENOENT);
    EXPECT_TRUE(r.atTarget);
}

TEST(LeftoverCopies, OnlyCopiesThatNoLongerRunAreRemoved) {
    TempDir t;
    const std::string dead = t.write(".a.jpg.kivo-Ab12Cd", "half");
    const std::string running = t.write(".b.jpg.kivo-Zz99yY", "half");
    const std::string photo = t.write("c.jpg", "photo");
    const int held = ::open(running.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(RemoveLeftoverCopies(t.path()), 1u);
    ::close(held);
    EXPECT_FALSE(PathExists(dead));
    EXPECT_TRUE(PathExists(running));
    EXPECT_TRUE(PathExists(photo));
    EXPECT_EQ(RemoveLeftoverCopies(t.path()), 1u);
    EXPECT_EQ(RawNames(t.path()), std::vector<std::string>{"c.jpg"});
}

struct TempNameCase {
    const char* name;
    bool temp;
};

class TempNameTest : public ::testing::TestWithParam<TempNameCase> {};

TEST_P(TempNameTest, Recognised) {
    EXPECT_EQ(IsCopyTempName(GetParam().name), GetParam().temp) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, TempNameTest,
                         ::testing::Values(TempNameCase{".a.jpg.kivo-Ab12Cd", true},
                                           TempNameCase{".x.kivo-000000", true},
                                           TempNameCase{"a.jpg.kivo-Ab12Cd", false},
                                           TempNameCase{".kivo-Ab12Cd", false},
                                           TempNameCase{"..kivo-Ab12Cd", false},
                                           TempNameCase{".a.jpg.kivo-Ab12C", false},
                                           TempNameCase{".a.jpg.kivo-Ab12C-", false},
                                           TempNameCase{".a.jpg", false},
                                           TempNameCase{".a.jpg.kivo-Ab12Cde", false}));
