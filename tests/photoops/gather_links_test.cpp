// Gathering over trees that hold more than photos: links are moved as links and never
// followed, a FIFO named like a photo fails its row with a reason while the run goes on,
// leftovers of a killed copy are cleared, and folders deeper than PATH_MAX are walked.

#include <cerrno>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "photoops/gather.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace kivo {
namespace {

using test::ReadWholeFile;
using test::TempDir;

std::string crlf(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines)
        s += l + "\r\n";
    return s;
}

bool isLink(const std::string& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

const GatheredFile* row(const GatherResult& r, const std::string& path) {
    for (const GatheredFile& f : r.files)
        if (f.path == path)
            return &f;
    return nullptr;
}

// A folder on /dev/shm when that is another file system than the temporary folder's.
std::string otherFileSystemFolder(const TempDir& t) {
    struct stat a {
    }, b{};
    if (::stat(t.path().c_str(), &a) != 0 || ::stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev ||
        ::access("/dev/shm", W_OK) != 0)
        return {};
    std::string templ = "/dev/shm/kivo-gather-XXXXXX";
    return ::mkdtemp(templ.data()) ? templ : std::string();
}

struct RemoveAll {
    std::string path;
    ~RemoveAll() {
        std::error_code ec;
        if (!path.empty())
            fs::remove_all(path, ec);
    }
};

class GatherLinksTest : public ::testing::Test {
protected:
    void SetUp() override {
        tmp.mkdir("data");
        dest = tmp.mkdir("D");
        src = tmp.mkdir("S");
    }
    std::string files() const { return ReadWholeFile(tmp.file("data/soubory.txt")); }
    std::string structure() const { return ReadWholeFile(tmp.file("data/struktur.txt")); }

    TempDir tmp;
    std::string dest, src;
    ImageGatherer gatherer{tmp.file("data")};
};

TEST_F(GatherLinksTest, LinkedFolderIsNotEnteredAndItsPhotosStay) {
    tmp.write("S/a.jpg", "a");
    const std::string outside = tmp.write("elsewhere/x.jpg", "x");
    fs::create_directory_symlink(tmp.file("elsewhere"), src + "/album");
    fs::create_directory_symlink(tmp.file("elsewhere"), src + "/album.jpg");
    const GatherResult r = gatherer.GatherImages(src, true, dest);
    EXPECT_EQ(structure(), crlf({src}));
    EXPECT_EQ(files(), crlf({src + "/a.jpg"}));
    EXPECT_EQ(ReadWholeFile(outside), "x");
    EXPECT_FALSE(PathExists(dest + "/x.jpg"));
    EXPECT_EQ(r.movedCount, 1u);
}

TEST_F(GatherLinksTest, LinkToAPhotoMovesAsALink) {
    const std::string photo = tmp.write("elsewhere/p.jpg", "the photo");
    fs::create_symlink(photo, src + "/p.jpg");
    const GatherResult r = gatherer.GatherImages(src, false, dest);
    EXPECT_EQ(files(), crlf({src + "/p.jpg"}));
    ASSERT_EQ(r.movedCount, 1u);
    ASSERT_TRUE(isLink(dest + "/p.jpg"));
    EXPECT_EQ(fs::read_symlink(dest + "/p.jpg").string(), photo);
    EXPECT_EQ(ReadWholeFile(photo), "the photo"); // the photo itself stays where it was
    EXPECT_FALSE(PathExists(src + "/p.jpg"));
}

TEST_F(GatherLinksTest, LinkMovesAsALinkAcrossFileSystems) {
    const std::string other = otherFileSystemFolder(tmp);
    if (other.empty())
        GTEST_SKIP() << "no second writable file system at /dev/shm: nothing to move across";
    RemoveAll cleanup{other};
    const std::string photo = tmp.write("elsewhere/p.jpg", "the photo");
    fs::create_symlink(photo, src + "/p.jpg");
    tmp.write("S/real.jpg", "real");
    const GatherResult r = gatherer.GatherImages(src, false, other);
    EXPECT_EQ(r.movedCount, 2u);
    ASSERT_TRUE(isLink(other + "/p.jpg"));
    EXPECT_EQ(fs::read_symlink(other + "/p.jpg").string(), photo);
    EXPECT_EQ(ReadWholeFile(photo), "the photo");
    EXPECT_EQ(ReadWholeFile(other + "/real.jpg"), "real");
    EXPECT_FALSE(isLink(other + "/real.jpg"));
}

TEST_F(GatherLinksTest, FifoRowFailsWithAReasonAndTheRunCompletes) {
    tmp.write("S/a.jpg", "a");
    const std::string fifo = src + "/pipe.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    tmp.write("S/z.jpg", "z");
    const GatherResult r = gatherer.GatherImages(src, false, dest);
    ASSERT_EQ(r.files.size(), 3u);
    const GatheredFile* bad = row(r, fifo);
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(bad->outcome, GatherOutcome::Failed);
    EXPECT_EQ(bad->error, kFsNotRegularFile);
    EXPECT_EQ(bad->reason, "not a regular file");
    EXPECT_EQ(r.movedCount, 2u);
    EXPECT_EQ(ReadWholeFile(dest + "/a.jpg"), "a");
    EXPECT_EQ(ReadWholeFile(dest + "/z.jpg"), "z");
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0); // left where it was, its folder with it
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(PathExists(dest + "/pipe.jpg"));
}

TEST_F(GatherLinksTest, FifoAcrossFileSystemsDoesNotHangTheRun) {
    const std::string other = otherFileSystemFolder(tmp);
    if (other.empty())
        GTEST_SKIP() << "no second writable file system at /dev/shm: nothing to move across";
    RemoveAll cleanup{other};
    const std::string fifo = tmp.file("S/sub/pipe.jpg");
    tmp.mkdir("S/sub");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    tmp.write("S/sub/b.jpg", "b");
    const GatherResult r = gatherer.GatherImages(src, true, other);
    const GatheredFile* bad = row(r, fifo);
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(bad->outcome, GatherOutcome::Failed);
    EXPECT_EQ(bad->reason, "not a regular file");
    EXPECT_EQ(ReadWholeFile(other + "/b.jpg"), "b");
    EXPECT_TRUE(fs::is_directory(tmp.file("S/sub"))); // still holds the FIFO
}

TEST_F(GatherLinksTest, FailedRowsCarryTheirReason) {
    tmp.write("S/a.jpg", "mine");
    tmp.write("D/a.jpg", "theirs");
    const GatherResult r = gatherer.GatherImages(src, false, dest);
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_EQ(r.files[0].outcome, GatherOutcome::Failed);
    EXPECT_EQ(r.files[0].error, EEXIST);
    EXPECT_FALSE(r.files[0].reason.empty());
    EXPECT_EQ(ReadWholeFile(dest + "/a.jpg"), "theirs");
}

TEST_F(GatherLinksTest, LeftoverOfAKilledCopyInTheDestinationIsRemoved) {
    const std::string leftover = tmp.write("D/.a.jpg.kivo-Qw3rTy", "half a photo");
    tmp.write("S/a.jpg", "a");
    const GatherResult r = gatherer.GatherImages(src, false, dest);
    EXPECT_EQ(r.movedCount, 1u);
    EXPECT_FALSE(PathExists(leftover));
    EXPECT_EQ(ReadWholeFile(dest + "/a.jpg"), "a");
}

// ---- a tree deeper than PATH_MAX ----

void removeTreeAt(int dir, const char* name) {
    const int fd = ::openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        if (DIR* d = ::fdopendir(fd)) {
            while (const dirent* e = ::readdir(d)) {
                const std::string n = e->d_name;
                if (n != "." && n != ".." && ::unlinkat(fd, n.c_str(), 0) != 0)
                    removeTreeAt(fd, n.c_str());
            }
            ::closedir(d);
        } else {
            ::close(fd);
        }
    }
    ::unlinkat(dir, name, AT_REMOVEDIR);
}

// Removes root/name through descriptors (the temporary folder's clean-up works by path).
struct RemoveTreeAt {
    std::string root, name;
    ~RemoveTreeAt() {
        const int top = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        removeTreeAt(top, name.c_str());
        ::close(top);
    }
};

TEST_F(GatherLinksTest, FoldersDeeperThanPathMaxAreWalkedAndTheirPhotosMoved) {
    const RemoveTreeAt cleanup{tmp.path(), "S"};
    // S/aaa…/bbb…/… built through descriptors: 22 folders of 200 bytes.
    int fd = ::open(src.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::vector<std::string> folders{src};
    for (int i = 0; i < 22; ++i) {
        const std::string name(200, static_cast<char>('a' + i));
        ASSERT_EQ(::mkdirat(fd, name.c_str(), 0755), 0);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        ASSERT_GE(next, 0);
        fd = next;
        folders.push_back(folders.back() + "/" + name);
    }
    const int photo = ::openat(fd, "deep.jpg", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ASSERT_GE(photo, 0);
    ASSERT_EQ(::write(photo, "deep", 4), 4);
    ::close(photo);
    ::close(fd);
    ASSERT_GT(folders.back().size(), std::size_t(PATH_MAX));

    const GatherResult r = gatherer.GatherImages(src, true, dest);
    EXPECT_EQ(structure(), crlf(folders));
    EXPECT_EQ(files(), crlf({folders.back() + "/deep.jpg"}));
    EXPECT_EQ(r.movedCount, 1u);
    EXPECT_EQ(ReadWholeFile(dest + "/deep.jpg"), "deep");
    EXPECT_EQ(r.removedFolderCount, 1u); // the deepest folder went with its photo
    EXPECT_FALSE(PathExists(folders.back()));
}

} // namespace
} // namespace kivo
