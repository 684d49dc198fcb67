#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "support/temp_dir.h"

using namespace kivo;
using kivo::test::ReadWholeFile;
using kivo::test::TempDir;

namespace {

std::vector<std::string> Names(const std::vector<DirEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

void SetMtime(const std::string& path, TDateTime local) {
    struct timespec times[2] = {{0, UTIME_OMIT}, {LocalDateTimeToUnix(local), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

} // namespace

struct WildCase {
    const char* pattern;
    const char* name;
    bool match;
};

class WildcardTest : public ::testing::TestWithParam<WildCase> {};

TEST_P(WildcardTest, Matches) {
    EXPECT_EQ(WildcardMatch(GetParam().pattern, GetParam().name), GetParam().match)
        << GetParam().pattern << " vs " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, WildcardTest,
    ::testing::Values(WildCase{"*.*", "README", true}, WildCase{"*.*", ".hidden", true},
                      WildCase{"*.jpg", "IMG_1.JPG", true}, WildCase{"*.jpg", "IMG_1.jpeg", false},
                      WildCase{"*.jp?", "a.jpe", true}, WildCase{"IMG_??.*", "img_12.tif", true},
                      WildCase{"IMG_??.*", "IMG_123.tif", false}, WildCase{"a.*", "a", true},
                      WildCase{"*a*b*c", "xaybzc", true}, WildCase{"*a*b*c", "xaybzcd", false},
                      WildCase{" *.jpg", "a.jpg", false}, WildCase{"Č*.jpg", "Čáp.jpg", true}));

TEST(FileSystem, EnumeratesWithPatternAndParentEntry) {
    TempDir t;
    t.write("a.jpg", "x");
    t.write("B.JPG", "yy");
    t.write("c.txt", "");
    t.write(".hidden.jpg", "");
    t.mkdir("sub");
    EXPECT_EQ(Names(EnumerateFolder(t.path(), "*.jpg")),
              (std::vector<std::string>{".hidden.jpg", "B.JPG", "a.jpg"}));
    const auto all = EnumerateFolder(t.path() + "/", "*.*");
    EXPECT_EQ(Names(all), (std::vector<std::string>{".", "..", ".hidden.jpg", "B.JPG", "a.jpg",
                                                    "c.txt", "sub"}));
    for (const auto& e : all) {
        if (e.name == "sub" || e.name == "..") {
            EXPECT_TRUE(e.isDir());
        }
        if (e.name == ".hidden.jpg") {
            EXPECT_EQ(AttributeLetters(e.attr), "H");
        }
        if (e.name == "B.JPG") {
            EXPECT_EQ(e.size, 2u);
        }
        if (e.name == "..") {
            EXPECT_EQ(e.attr & faHidden, 0u);
        }
    }
    EXPECT_TRUE(EnumerateFolder(t.file("missing"), "*.*").empty());
}

TEST(FileSystem, RootHasNoParentEntry) {
    const auto names = Names(EnumerateFolder("/", "*.*"));
    EXPECT_EQ(std::count(names.begin(), names.end(), ".."), 0);
}

TEST(FileSystem, ReadOnlyFileShowsR) {
    TempDir t;
    const std::string f = t.write("ro.jpg", "x");
    ::chmod(f.c_str(), 0444);
    const auto e = StatEntry(f);
    ASSERT_TRUE(e);
    EXPECT_EQ(AttributeLetters(e->attr), "R");
    EXPECT_EQ(AttributeLetters(faArchive | faReadOnly | faHidden | faSysFile), "ARHS");
}

TEST(FileSystem, FolderCountsAsNoFile) {
    TempDir t;
    t.mkdir("dir");
    t.write("file name with spaces ěšč", "1");
    EXPECT_FALSE(FileExists(t.file("dir")));
    EXPECT_TRUE(DirectoryExists(t.file("dir")));
    EXPECT_TRUE(FileExists(t.file("file name with spaces ěšč")));
    EXPECT_FALSE(FileExists(t.file("nothing")));
    EXPECT_FALSE(FileExists(""));
}

TEST(FileSystem, RenameNeverReplaces) {
    TempDir t;
    const std::string a = t.write("a.jpg", "AAA");
    const std::string b = t.write("b.jpg", "BBB");
    const FsResult r = RenameNoReplace(a, b);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, EEXIST);
    EXPECT_EQ(ReadWholeFile(a), "AAA");
    EXPECT_EQ(ReadWholeFile(b), "BBB");
    EXPECT_TRUE(RenameNoReplace(a, t.file("-c.jpg")).ok);
    EXPECT_EQ(ReadWholeFile(t.file("-c.jpg")), "AAA");
    EXPECT_FALSE(FileExists(a));
}

TEST(FileSystem, MoveAcrossFileSystemsCopiesThenRemoves) {
    TempDir t;
    struct stat tmpSt {
    }, shmSt{};
    const char* other = "/dev/shm";
    if (::stat(other, &shmSt) != 0 || ::access(other, W_OK) != 0 ||
        ::stat(t.path().c_str(), &tmpSt) != 0 || tmpSt.st_dev == shmSt.st_dev)
        GTEST_SKIP() << "only one writable file system here; cross-file-system move not tested";
    const std::string src = t.write("photo.jpg", std::string(300000, 'p'));
    const TDateTime when = EncodeDate(2004, 5, 6) + EncodeTime(7, 8, 10);
    SetMtime(src, when);
    const std::string dst =
        std::string(other) + "/kivo-move-test-" + std::to_string(::getpid()) + ".jpg";
    ::unlink(dst.c_str());
    ASSERT_TRUE(MoveNoReplace(src, dst).ok);
    EXPECT_FALSE(FileExists(src));
    EXPECT_EQ(ReadWholeFile(dst).size(), 300000u);
    EXPECT_EQ(DateTimeText(*FileAge(dst)), "2004.05.06 07:08:10");
    // A second move onto the now existing name is refused and the source stays.
    const std::string src2 = t.write("photo.jpg", "new");
    EXPECT_FALSE(MoveNoReplace(src2, dst).ok);
    EXPECT_EQ(ReadWholeFile(src2), "new");
    EXPECT_EQ(ReadWholeFile(dst).size(), 300000u);
    ::unlink(dst.c_str());
}

TEST(FileSystem, ModificationTimeHasTwoSecondResolution) {
    ::setenv("TZ", "Europe/Prague", 1);
    ::tzset();
    TempDir t;
    const std::string f = t.write("p.jpg", "x");
    const TDateTime v = EncodeDate(2005, 8, 27) + EncodeTime(10, 0, 5);
    ASSERT_EQ(SetFileModified(f, v), SetTimeResult::Ok);
    EXPECT_EQ(DateTimeText(*FileAge(f)), "2005.08.27 10:00:04");
    EXPECT_EQ(DateTimeText(*FileModifiedExact(f)), "2005.08.27 10:00:04");
    // An odd second already on disk reads down to the even one.
    SetMtime(f, EncodeDate(2010, 1, 2) + EncodeTime(3, 4, 7));
    EXPECT_EQ(DateTimeText(*FileAge(f)), "2010.01.02 03:04:06");
    EXPECT_EQ(DateTimeText(*FileModifiedExact(f)), "2010.01.02 03:04:07");
}

TEST(FileSystem, WritingRefusesYearsOutsideTheRange) {
    TempDir t;
    const std::string f = t.write("p.jpg", "x");
    SetMtime(f, EncodeDate(2001, 1, 1));
    EXPECT_EQ(SetFileModified(f, EncodeDate(1979, 12, 31) + EncodeTime(23, 59, 58)),
              SetTimeResult::YearOutOfRange);
    EXPECT_EQ(SetFileModified(f, EncodeDate(2100, 1, 1)), SetTimeResult::YearOutOfRange);
    EXPECT_EQ(DateTimeText(*FileAge(f)), "2001.01.01");
    EXPECT_EQ(SetFileModified(f, EncodeDate(1980, 1, 1)), SetTimeResult::Ok);
    EXPECT_EQ(SetFileModified(f, EncodeDate(2099, 12, 31)), SetTimeResult::Ok);
    EXPECT_EQ(SetFileModified(t.file("missing"), EncodeDate(2001, 1, 1)),
              SetTimeResult::OpenFailed);
}

TEST(FileSystem, WritingLeavesAccessTimeAndContentsAlone) {
    TempDir t;
    const std::string f = t.write("p.jpg", "contents");
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, f.c_str(), times, 0), 0);
    ASSERT_EQ(SetFileModified(f, EncodeDate(2005, 1, 1)), SetTimeResult::Ok);
    struct stat st {};
    ::stat(f.c_str(), &st);
    EXPECT_EQ(st.st_atim.tv_sec, 1000000000);
    EXPECT_EQ(ReadWholeFile(f), "contents");
}

TEST(FileSystem, SettingTheTimeOfALinkLeavesItsTargetAlone) {
    TempDir t;
    const std::string photo = t.write("elsewhere/a.jpg", "photo");
    SetMtime(photo, EncodeDate(2001, 1, 1));
    const std::string link = t.file("a.jpg");
    ASSERT_EQ(::symlink("elsewhere/a.jpg", link.c_str()), 0);
    ASSERT_EQ(SetFileModified(link, EncodeDate(2005, 1, 1) + EncodeTime(12, 0, 0)),
              SetTimeResult::Ok);
    EXPECT_EQ(DateTimeText(*FileAge(photo)), "2001.01.01");
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec,
              LocalDateTimeToUnix(EncodeDate(2005, 1, 1) + EncodeTime(12, 0, 0)));
    EXPECT_EQ(ReadWholeFile(photo), "photo");
}

TEST(FileSystem, SettingTheTimeOfAFifoOrFolderFailsWithoutBlocking) {
    TempDir t;
    const std::string fifo = t.file("pipe.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(SetFileModified(fifo, EncodeDate(2005, 1, 1)), SetTimeResult::OpenFailed);
    EXPECT_EQ(SetFileModified(t.mkdir("f"), EncodeDate(2005, 1, 1)), SetTimeResult::OpenFailed);
    EXPECT_FALSE(ReadFileBytes(fifo).has_value());
}

TEST(FileSystem, ListingSaysWhatAnEntryItselfIs) {
    TempDir t;
    t.write("a.jpg", "x");
    t.mkdir("f");
    ASSERT_EQ(::symlink("f", t.file("to-f").c_str()), 0);
    ASSERT_EQ(::symlink("a.jpg", t.file("to-a.jpg").c_str()), 0);
    ASSERT_EQ(::symlink("missing", t.file("dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo(t.file("pipe").c_str(), 0644), 0);
    std::map<std::string, DirEntry> byName;
    for (const DirEntry& e : EnumerateFolder(t.path(), "*.*"))
        byName[e.name] = e;
    EXPECT_EQ(byName["a.jpg"].kind, EntryKind::Regular);
    EXPECT_EQ(byName["f"].kind, EntryKind::Directory);
    EXPECT_TRUE(byName["f"].isRealDir());
    // A link to a folder shows as a folder but is no folder of its own.
    EXPECT_EQ(byName["to-f"].kind, EntryKind::Symlink);
    EXPECT_TRUE(byName["to-f"].isDir());
    EXPECT_FALSE(byName["to-f"].isRealDir());
    EXPECT_EQ(byName["to-a.jpg"].kind, EntryKind::Symlink);
    EXPECT_EQ(byName["to-a.jpg"].size, 1u);
    EXPECT_EQ(byName["dangling"].kind, EntryKind::Symlink);
    EXPECT_EQ(byName["pipe"].kind, EntryKind::Other);
    const auto link = StatEntry(t.file("to-f"));
    ASSERT_TRUE(link.has_value());
    EXPECT_EQ(link->kind, EntryKind::Symlink);
}

TEST(FileSystem, TemporaryFilesOfCopiesAreNeverListed) {
    TempDir t;
    t.write(".a.jpg.kivo-Ab12Cd", "half");
    t.write("a.jpg", "x");
    EXPECT_EQ(Names(EnumerateFolder(t.path(), "*.*")),
              (std::vector<std::string>{".", "..", "a.jpg"}));
}

TEST(FileSystem, CurrentDirectoryFollowsSet) {
    TempDir t;
    const std::string d = t.mkdir("-leading dash");
    ASSERT_TRUE(SetCurrentDir(d));
    EXPECT_EQ(GetCurrentDir(), d);
    EXPECT_FALSE(SetCurrentDir(t.file("none")));
    SetCurrentDir("/");
}

TEST(FileSystem, PathPieces) {
    EXPECT_EQ(ExtractFileDir("/a/b/c.jpg"), "/a/b");
    EXPECT_EQ(ExtractFileDir("/c.jpg"), "/");
    EXPECT_EQ(ExtractFileDir("c.jpg"), "");
    EXPECT_EQ(ExtractFileName("/a/b/c.jpg"), "c.jpg");
    EXPECT_EQ(ExtractFileExt("/a.b/c"), "");
    EXPECT_EQ(ExtractFileExt("c.tar.JPG"), ".JPG");
    EXPECT_EQ(IncludeTrailingSlash("/a"), "/a/");
    EXPECT_EQ(ExcludeTrailingSlash("/a//"), "/a");
    EXPECT_EQ(ExcludeTrailingSlash("/"), "/");
}
