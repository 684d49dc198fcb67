// Entries whose full path is longer than PATH_MAX are listed, looked at, moved and given
// a time like any other: the layer reaches them through folder descriptors.

#include <cerrno>
#include <climits>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "support/temp_dir.h"

using namespace kivo;
using kivo::test::ReadWholeFile;
using kivo::test::TempDir;

namespace {

void RemoveTreeAt(int dir, const char* name) {
    const int fd = ::openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        if (DIR* d = ::fdopendir(fd)) {
            while (const dirent* e = ::readdir(d)) {
                const std::string n = e->d_name;
                if (n == "." || n == "..")
                    continue;
                if (::unlinkat(fd, n.c_str(), 0) != 0)
                    RemoveTreeAt(fd, n.c_str());
            }
            ::closedir(d);
        } else {
            ::close(fd);
        }
    }
    ::unlinkat(dir, name, AT_REMOVEDIR);
}

// Folders of 200-byte names, one inside the other, below root/deep, built and removed
// through descriptors (the temporary folder's own clean-up works by path).
class DeepTree {
public:
    DeepTree(const std::string& root, int levels) : root_(root) {
        int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        std::string name = "deep";
        path_ = root;
        for (int i = 0; i <= levels && fd >= 0; ++i) {
            ::mkdirat(fd, name.c_str(), 0755);
            const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = next;
            path_ += "/" + name;
            levels_.push_back(path_);
            name = std::string(200, static_cast<char>('a' + i % 26));
        }
        bottom_ = fd;
    }
    ~DeepTree() {
        if (bottom_ >= 0)
            ::close(bottom_);
        const int fd = ::open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        RemoveTreeAt(fd, "deep");
        ::close(fd);
    }
    DeepTree(const DeepTree&) = delete;
    DeepTree& operator=(const DeepTree&) = delete;

    bool ok() const { return bottom_ >= 0; }
    const std::string& bottom() const { return path_; }
    // The deepest folder whose own path still fits PATH_MAX.
    std::string lastShortLevel() const {
        std::string last;
        for (const auto& p : levels_)
            if (p.size() < PATH_MAX)
                last = p;
        return last;
    }
    void write(const std::string& name, const std::string& contents) const {
        const int fd =
            ::openat(bottom_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, contents.data(), contents.size()),
                  static_cast<ssize_t>(contents.size()));
        ::close(fd);
    }

private:
    std::string root_;
    std::string path_;
    std::vector<std::string> levels_;
    int bottom_ = -1;
};

bool Lists(const std::vector<DirEntry>& entries, const std::string& name) {
    for (const auto& e : entries)
        if (e.name == name)
            return true;
    return false;
}

} // namespace

TEST(LongPaths, DeepFolderIsListedAndItsFilesLookedAt) {
    TempDir t;
    DeepTree tree(t.path(), 24);
    ASSERT_TRUE(tree.ok());
    ASSERT_GT(tree.bottom().size(), std::size_t(PATH_MAX));
    tree.write("IMG_1.jpg", "deep photo");
    const auto entries = EnumerateFolder(tree.bottom(), "*.jpg");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "IMG_1.jpg");
    EXPECT_EQ(entries[0].size, 10u);
    const std::string file = tree.bottom() + "/IMG_1.jpg";
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(DirectoryExists(tree.bottom()));
    EXPECT_EQ(FileSize(file), std::optional<std::uint64_t>(10));
    const auto st = StatEntry(file);
    ASSERT_TRUE(st.has_value());
    EXPECT_EQ(st->kind, EntryKind::Regular);
    const auto bytes = ReadFileBytes(file);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "deep photo");
}

TEST(LongPaths, EntryWhosePathPassesTheLimitIsListed) {
    TempDir t;
    DeepTree tree(t.path(), 24);
    ASSERT_TRUE(tree.ok());
    // The folder itself fits PATH_MAX; its child's full path does not.
    const std::string folder = tree.lastShortLevel();
    const auto entries = EnumerateFolder(folder, "*.*");
    std::string child;
    for (const auto& e : entries)
        if (e.name != "." && e.name != "..")
            child = e.name;
    ASSERT_FALSE(child.empty());
    EXPECT_GE(folder.size() + 1 + child.size(), std::size_t(PATH_MAX));
    ASSERT_TRUE(Lists(entries, child));
    for (const auto& e : entries) {
        if (e.name == child) {
            EXPECT_TRUE(e.isRealDir());
        }
    }
}

TEST(LongPaths, DeepFileMovesOutAndBackAndGetsItsTime) {
    TempDir t;
    DeepTree tree(t.path(), 24);
    ASSERT_TRUE(tree.ok());
    tree.write("IMG_2.jpg", "photo");
    const std::string deep = tree.bottom() + "/IMG_2.jpg";
    ASSERT_EQ(SetFileModified(deep, EncodeDate(2004, 5, 6) + EncodeTime(7, 8, 10)),
              SetTimeResult::Ok);
    EXPECT_EQ(FileAge(deep),
              std::optional<TDateTime>(EncodeDate(2004, 5, 6) + EncodeTime(7, 8, 10)));
    const FsResult out = MoveNoReplace(deep, t.file("IMG_2.jpg"));
    ASSERT_TRUE(out) << out.message();
    EXPECT_EQ(ReadWholeFile(t.file("IMG_2.jpg")), "photo");
    EXPECT_FALSE(PathExists(deep));
    ASSERT_TRUE(RenameNoReplace(t.file("IMG_2.jpg"), deep));
    ASSERT_TRUE(CopyFileSafely(deep, t.file("copy.jpg")));
    EXPECT_EQ(ReadWholeFile(t.file("copy.jpg")), "photo");
    EXPECT_TRUE(CreateDir(tree.bottom() + "/new"));
    EXPECT_TRUE(RemoveDir(tree.bottom() + "/new"));
    EXPECT_FALSE(PathExists(tree.bottom() + "/new"));
}
