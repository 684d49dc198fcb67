// The file-operation job with scripted answers: nothing is replaced without a yes,
// cancel stops the run, copies are complete, deletions land in the Trash.

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QUrl>

#include "platform/file_system.h"
#include "platform/gui/file_operation.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using namespace kivo;
using kivo::test::ReadWholeFile;
using kivo::test::TempDir;

namespace {

class ScriptedQuestions : public FileOperationQuestions {
public:
    std::deque<ReplaceAnswer> replaceAnswers;
    std::vector<ReplaceQuestion> replaceAsked;
    bool trashAnswer = true;
    int trashAsked = 0;
    std::vector<std::string> errors;
    ErrorChoice errorAnswer = ErrorChoice::Skip;
    int progressCalls = 0;
    int cancelAfterProgressCalls = -1;
    std::uint64_t lastDone = 0, lastTotal = 0;

    ReplaceAnswer AskReplace(const ReplaceQuestion& q) override {
        replaceAsked.push_back(q);
        if (replaceAnswers.empty())
            ADD_FAILURE() << "unexpected replace question for " << q.target;
        if (replaceAnswers.empty())
            return {ReplaceChoice::Cancel, false};
        const ReplaceAnswer a = replaceAnswers.front();
        replaceAnswers.pop_front();
        return a;
    }
    bool ConfirmTrash(const std::vector<std::string>&) override {
        ++trashAsked;
        return trashAnswer;
    }
    ErrorChoice ReportError(const std::string& message, bool) override {
        errors.push_back(message);
        return errorAnswer;
    }
    bool Progress(std::uint64_t done, std::uint64_t total, const std::string&) override {
        EXPECT_LE(done, total);
        lastDone = done;
        lastTotal = total;
        ++progressCalls;
        return cancelAfterProgressCalls < 0 || progressCalls <= cancelAfterProgressCalls;
    }
};

FileOperationResult RunJob(ShellFunc f, std::vector<std::string> src, std::vector<std::string> dst,
                           FileOperationQuestions& q) {
    return FileOperationJob(f, std::move(src), std::move(dst), q).Run();
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST(FileOperationCopy, CopiesContentsPermissionsAndTime) {
    TempDir t;
    const auto a = t.write("src/a.jpg", "photo bytes");
    ::chmod(a.c_str(), 0640);
    const timespec times[2] = {{1000000000, 0}, {1200000000, 0}};
    ::utimensat(AT_FDCWD, a.c_str(), times, 0);
    t.mkdir("dst");
    ScriptedQuestions q;
    const auto r = RunJob(ShellFunc::Copy, {a}, {t.file("dst/a.jpg")}, q);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(ReadWholeFile(t.file("dst/a.jpg")), "photo bytes");
    EXPECT_EQ(ReadWholeFile(a), "photo bytes");
    struct stat st {};
    ASSERT_EQ(::stat(t.file("dst/a.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(q.lastDone, q.lastTotal);
}

TEST(FileOperationCopy, AsksBeforeReplacingAndSkipLeavesTarget) {
    TempDir t;
    const auto a = t.write("src/a.jpg", "new");
    const auto b = t.write("dst/a.jpg", "old");
    ScriptedQuestions q;
    q.replaceAnswers = {{ReplaceChoice::Skip, false}};
    const auto r = RunJob(ShellFunc::Copy, {a}, {b}, q);
    ASSERT_EQ(q.replaceAsked.size(), 1u);
    EXPECT_EQ(q.replaceAsked[0].source, a);
    EXPECT_EQ(q.replaceAsked[0].target, b);
    EXPECT_FALSE(q.replaceAsked[0].targetIsDir);
    EXPECT_EQ(q.replaceAsked[0].targetSize, 3u);
    EXPECT_EQ(ReadWholeFile(b), "old");
    EXPECT_EQ(r.skipped, 1);
    EXPECT_FALSE(r.ok());
}

TEST(FileOperationCopy, ReplaceWritesSourceAndLeavesNoScratchFile) {
    TempDir t;
    const auto a = t.write("src/a.jpg", "new contents");
    const auto b = t.write("dst/a.jpg", "old");
    ScriptedQuestions q;
    q.replaceAnswers = {{ReplaceChoice::Replace, false}};
    const auto r = RunJob(ShellFunc::Copy, {a}, {b}, q);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(ReadWholeFile(b), "new contents");
    EXPECT_EQ(Names(t.file("dst")), std::vector<std::string>{"a.jpg"});
}

TEST(FileOperationCopy, CancelStopsTheRestOfTheRun) {
    TempDir t;
    const auto a = t.write("src/a.jpg", "A");
    const auto b = t.write("src/b.jpg", "B");
    t.write("dst/a.jpg", "old");
    ScriptedQuestions q;
    q.replaceAnswers = {{ReplaceChoice::Cancel, false}};
    const auto r = RunJob(ShellFunc::Copy, {a, b}, {t.file("dst")}, q);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(ReadWholeFile(t.file("dst/a.jpg")), "old");
    EXPECT_FALSE(PathExists(t.file("dst/b.jpg")));
}

TEST(FileOperationCopy, AnswerForAllIsAskedOnce) {
    TempDir t;
    const auto a = t.write("src/a.jpg", "A");
    const auto b = t.write("src/b.jpg", "B");
    const auto c = t.write("src/c.jpg", "C");
    t.write("dst/a.jpg", "old a");
    t.write("dst/b.jpg", "old b");
    ScriptedQuestions q;
    q.replaceAnswers = {{ReplaceChoice::Replace, true}};
    const auto r = RunJob(ShellFunc::Copy, {a, b, c}, {t.file("dst")}, q);
    EXPECT_TRUE(r.ok());
    ASSERT_EQ(q.replaceAsked.size(), 1u);
    EXPECT_TRUE(q.replaceAsked[0].moreToCome);
    EXPECT_EQ(ReadWholeFile(t.file("dst/a.jpg")), "A");
    EXPECT_EQ(ReadWholeFile(t.file("dst/b.jpg")), "B");
    EXPECT_EQ(ReadWholeFile(t.file("dst/c.jpg")), "C");
}

TEST(FileOperationCopy, CopiesFolderTreeWithAwkwardNames) {
    TempDir t;
    t.write("src/Fotky léto/-rf", "dash");
    t.write("src/Fotky léto/line\nbreak.jpg", "nl");
    t.write("src/Fotky léto/sub dir/deep.jpg", "deep");
    t.mkdir("src/Fotky léto/empty");
    t.mkdir("dst");
    ScriptedQuestions q;
    const auto r =
        RunJob(ShellFunc::Copy, {t.file("src/Fotky léto")}, {t.file("dst/Fotky léto")}, q);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(ReadWholeFile(t.file("dst/Fotky léto/-rf")), "dash");
    EXPECT_EQ(ReadWholeFile(t.file("dst/Fotky léto/line\nbreak.jpg")), "nl");
    EXPECT_EQ(ReadWholeFile(t.file("dst/Fotky léto/sub dir/deep.jpg")), "deep");
    EXPECT_TRUE(DirectoryExists(t.file("dst/Fotky léto/empty")));
    EXPECT_TRUE(DirectoryExists(t.file("src/Fotky léto/sub dir")));
    EXPECT_EQ(q.lastDone, q.lastTotal);
}

TEST(FileOperationCopy, FolderOntoFolderMergesAfterAskingAndAsksPerFile) {
    TempDir t;
    t.write("src/f/same.jpg", "new");
    t.write("src/f/only-new.jpg", "n");
    t.write("dst/f/same.jpg", "old");
    t.write("dst/f/only-old.jpg", "o");
    ScriptedQuestions q;
    q.replaceAnswers = {{ReplaceChoice::Replace, false}, {ReplaceChoice::Skip, false}};
    const auto r = RunJob(ShellFunc::Copy, {t.file("src/f")}, {t.file("dst/f")}, q);
    ASSERT_EQ(q.replaceAsked.size(), 2u);
    EXPECT_TRUE(q.replaceAsked[0].sourceIsDir && q.replaceAsked[0].targetIsDir);
    EXPECT_EQ(q.replaceAsked[1].target, t.file("dst/f/same.jpg"));
    EXPECT_TRUE(q.replaceAsked[1].moreToCome);
    EXPECT_EQ(ReadWholeFile(t.file("dst/f/same.jpg")), "old");
    EXPECT_EQ(ReadWholeFile(t.file("dst/f/only-new.jpg")), "n");
    EXPECT_EQ(ReadWholeFile(t.file("dst/f/only-old.jpg")), "o");
    EXPECT_EQ(r.skipped, 1);
}

TEST(FileOperationCopy, OntoItselfMakesNumberedCopies) {
    TempDir t;
    const auto a = t.write("a.jpg", "A");
    ScriptedQuestions q;
    EXPECT_TRUE(RunJob(ShellFunc::Copy, {a}, {a}, q).ok());
    EXPECT_TRUE(RunJob(ShellFunc::Copy, {a}, {a}, q).ok());
    EXPECT_EQ(ReadWholeFile(t.file("a - Copy.jpg")), "A");
    EXPECT_EQ(ReadWholeFile(t.file("a - Copy (2).jpg")), "A");
    EXPECT_TRUE(q.replaceAsked.empty());
    t.mkdir("f.d");
    EXPECT_TRUE(RunJob(ShellFunc::Copy, {t.file("f.d")}, {t.file("f.d")}, q).ok());
    EXPECT_TRUE(DirectoryExists(t.file("f.d - Copy")));
}

TEST(FileOperationCopy, FolderIntoItselfIsRefused) {
    TempDir t;
    t.write("f/a.jpg", "A");
    t.mkdir("f/sub");
    ScriptedQuestions q;
    const auto r = RunJob(ShellFunc::Copy, {t.file("f")}, {t.file("f/sub/f")}, q);
    EXPECT_EQ(r.failed, 1);
    ASSERT_EQ(q.errors.size(), 1u);
    EXPECT_NE(q.errors[0].find("inside the source folder"), std::string::npos);
    EXPECT_FALSE(PathExists(t.file("f/sub/f")));
}

TEST(FileOperationCopy, CancelDuringCopyRemovesPartialFile) {
    TempDir t;
    const std::string big(3 << 20, 'x');
    const auto a = t.write("a.bin", big);
    t.mkdir("dst");
    ScriptedQuestions q;
    q.cancelAfterProgressCalls = 2; // the start, then the first chunk
    const auto r = RunJob(ShellFunc::Copy, {a}, {t.file("dst/a.bin")}, q);
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(Names(t.file("dst")).empty());
    EXPECT_EQ(ReadWholeFile(a).size(), big.size());
}

TEST(FileOperationCopy, ErrorIsReportedAndTheRunContinues) {
    TempDir t;
    const auto a = t.write("a.jpg", "A");
    const auto b = t.write("b.jpg", "B");
    ScriptedQuestions q;
    const auto r = RunJob(ShellFunc::Copy, {a, b}, {t.file("missing/a.jpg"), t.file("b2.jpg")}, q);
    EXPECT_EQ(r.failed, 1);
    ASSERT_EQ(q.errors.size(), 1u);
    EXPECT_NE(q.errors[0].find("missing/a.jpg"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(t.file("b2.jpg")), "B");
}

TEST(FileOperationCopy, MismatchedTargetListIsAnError) {
    TempDir t;
    const auto a = t.write("a.jpg", "A");
    const auto b = t.write("b.jpg", "B");
    ScriptedQuestions q;
    const auto r = RunJob(ShellFunc::Copy, {a, b}, {t.file("x.jpg")}, q);
    EXPECT_EQ(r.failed, 1);
    EXPECT_FALSE(PathExists(t.file("x.jpg")));
}

TEST(FileOperationMove, MovesFileAndFolder) {
    TempDir t;
    const auto a = t.write("one/a.jpg", "A");
    t.write("one/f/b.jpg", "B");
    t.mkdir("two");
    ScriptedQuestions q;
    const auto r = RunJob(ShellFunc::Move, {a, t.file("one/f")}, {t.file("two")}, q);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.done, 2);
    EXPECT_EQ(ReadWholeFile(t.file("two/a.jpg")), "A");
    EXPECT_EQ(ReadWholeFile(t.file("two/f/b.jpg")), "B");
    EXPECT_TRUE(Names(t.file("one")).empty());
}

TEST(FileOperationMove, FolderIntoItselfIsRefusedWithMessage) {
    TempDir t;
    t.write("f/a.jpg", "A");
    t.mkdir("f/sub");
    ScriptedQuestions q;
    const auto r = RunJob(ShellFunc::Move, {t.file("f")}, {t.file("f/sub")}, q);
    EXPECT_EQ(r.failed, 1);
    ASSERT_EQ(q.errors.size(), 1u);
    EXPECT_EQ(ReadWholeFile(t.file("f/a.jpg")), "A");
    EXPECT_EQ(Names(t.file("f/sub")), std::vector<std::string>{});
}

TEST(FileOperationMove, OntoItselfChangesNothing) {
    TempDir t;
    const auto a = t.write("a.jpg", "A");
    ScriptedQuestions q;
    EXPECT_TRUE(RunJob(ShellFunc::Move, {a}, {a}, q).ok());
    EXPECT_EQ(Names(t.path()), std::vector<std::string>{"a.jpg"});
}

TEST(FileOperationMove, ExistingTargetSkipKeepsBothReplaceMoves) {
    TempDir t;
    const auto a = t.write("one/a.jpg", "new");
    const auto b = t.write("two/a.jpg", "old");
    ScriptedQuestions q;
    q.replaceAnswers = {{ReplaceChoice::Skip, false}, {ReplaceChoice::Replace, false}};
    RunJob(ShellFunc::Move, {a}, {b}, q);
    EXPECT_EQ(ReadWholeFile(a), "new");
    EXPECT_EQ(ReadWholeFile(b), "old");
    EXPECT_TRUE(RunJob(ShellFunc::Move, {a}, {b}, q).ok());
    EXPECT_FALSE(PathExists(a));
    EXPECT_EQ(ReadWholeFile(b), "new");
}

TEST(FileOperationMove, FolderOntoFolderMergesAndRemovesEmptiedSource) {
    TempDir t;
    t.write("one/f/x.jpg", "x");
    t.write("one/f/keep.jpg", "mine");
    t.write("two/f/keep.jpg", "theirs");
    ScriptedQuestions q;
    q.replaceAnswers = {{ReplaceChoice::Replace, false}, {ReplaceChoice::Skip, false}};
    RunJob(ShellFunc::Move, {t.file("one/f")}, {t.file("two/f")}, q);
    EXPECT_EQ(ReadWholeFile(t.file("two/f/x.jpg")), "x");
    EXPECT_EQ(ReadWholeFile(t.file("two/f/keep.jpg")), "theirs");
    // The skipped file keeps its folder alive.
    EXPECT_EQ(ReadWholeFile(t.file("one/f/keep.jpg")), "mine");
    EXPECT_FALSE(PathExists(t.file("one/f/x.jpg")));
}

TEST(FileOperationMove, FolderAcrossFileSystems) {
    TempDir t;
    struct stat a {
    }, b{};
    if (::stat(t.path().c_str(), &a) != 0 || ::stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev ||
        ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second writable file system at /dev/shm";
    std::string other = "/dev/shm/kivo-move-XXXXXX";
    ASSERT_NE(::mkdtemp(other.data()), nullptr);
    t.write("f/a.jpg", "A");
    t.write("f/sub/b.jpg", "B");
    ScriptedQuestions q;
    const auto r = RunJob(ShellFunc::Move, {t.file("f")}, {other + "/f"}, q);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(ReadWholeFile(other + "/f/a.jpg"), "A");
    EXPECT_EQ(ReadWholeFile(other + "/f/sub/b.jpg"), "B");
    EXPECT_FALSE(PathExists(t.file("f")));
    std::error_code ec;
    fs::remove_all(other, ec);
}

TEST(FileOperationMove, FileAcrossFileSystemsKeepsItsTimeAndCancelKeepsTheSource) {
    TempDir t;
    struct stat a {
    }, b{};
    if (::stat(t.path().c_str(), &a) != 0 || ::stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev ||
        ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second writable file system at /dev/shm";
    std::string other = "/dev/shm/kivo-move-XXXXXX";
    ASSERT_NE(::mkdtemp(other.data()), nullptr);
    const auto small = t.write("small.jpg", "S");
    const timespec times[2] = {{1000000000, 0}, {1100000000, 0}};
    ::utimensat(AT_FDCWD, small.c_str(), times, 0);
    const auto big = t.write("big.bin", std::string(3 << 20, 'b'));
    ScriptedQuestions q;
    EXPECT_TRUE(RunJob(ShellFunc::Move, {small}, {other + "/small.jpg"}, q).ok());
    EXPECT_FALSE(PathExists(small));
    struct stat st {};
    ASSERT_EQ(::stat((other + "/small.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1100000000);

    ScriptedQuestions cancelling;
    cancelling.cancelAfterProgressCalls = 2;
    EXPECT_TRUE(RunJob(ShellFunc::Move, {big}, {other + "/big.bin"}, cancelling).cancelled);
    EXPECT_EQ(ReadWholeFile(big).size(), std::size_t(3 << 20));
    EXPECT_FALSE(PathExists(other + "/big.bin"));
    std::error_code ec;
    fs::remove_all(other, ec);
}

TEST(FileOperationRename, RenamesAndRefusesExistingName) {
    TempDir t;
    const auto a = t.write("a.jpg", "A");
    const auto b = t.write("b.jpg", "B");
    ScriptedQuestions q;
    auto r = RunJob(ShellFunc::Rename, {a}, {b}, q);
    EXPECT_EQ(r.failed, 1);
    ASSERT_EQ(q.errors.size(), 1u);
    EXPECT_TRUE(q.replaceAsked.empty());
    EXPECT_EQ(ReadWholeFile(a), "A");
    EXPECT_EQ(ReadWholeFile(b), "B");
    r = RunJob(ShellFunc::Rename, {a}, {t.file("-c d.jpg")}, q);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(ReadWholeFile(t.file("-c d.jpg")), "A");
    EXPECT_FALSE(PathExists(a));
}

class FileOperationTrash : public ::testing::Test {
protected:
    void SetUp() override {
        oldHome_ = qgetenv("HOME");
        oldData_ = qgetenv("XDG_DATA_HOME");
        // Home and data home inside the test folder: the Trash is then the data home's.
        qputenv("HOME", QByteArray::fromStdString(t_.mkdir("home")));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(t_.mkdir("home/data")));
    }
    void TearDown() override {
        qputenv("HOME", oldHome_);
        if (oldData_.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", oldData_);
    }
    TempDir t_;
    QByteArray oldHome_, oldData_;
};

TEST_F(FileOperationTrash, RefusedConfirmationKeepsEverything) {
    const auto a = t_.write("home/photos/a.jpg", "A");
    ScriptedQuestions q;
    q.trashAnswer = false;
    const auto r = RunJob(ShellFunc::Delete, {a}, {}, q);
    EXPECT_EQ(q.trashAsked, 1);
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(FileExists(a));
}

TEST_F(FileOperationTrash, EntriesLandInTheTrashWithInfoAndCanBeRestored) {
    const auto a = t_.write("home/photos/léto 1.jpg", "A");
    t_.write("home/photos/f/b.jpg", "B");
    ScriptedQuestions q;
    const auto r = RunJob(ShellFunc::Delete, {a, t_.file("home/photos/f")}, {}, q);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(q.trashAsked, 1);
    EXPECT_FALSE(PathExists(a));
    EXPECT_FALSE(PathExists(t_.file("home/photos/f")));

    const std::string trash = t_.file("home/data/Trash");
    ASSERT_EQ(ReadWholeFile(trash + "/files/léto 1.jpg"), "A");
    ASSERT_EQ(ReadWholeFile(trash + "/files/f/b.jpg"), "B");
    const std::string info = ReadWholeFile(trash + "/info/léto 1.jpg.trashinfo");
    ASSERT_EQ(info.rfind("[Trash Info]\n", 0), 0u) << info;
    const auto pathAt = info.find("Path=");
    ASSERT_NE(pathAt, std::string::npos);
    const auto eol = info.find('\n', pathAt);
    const std::string encoded = info.substr(pathAt + 5, eol - pathAt - 5);
    const std::string original =
        QUrl::fromPercentEncoding(QByteArray::fromStdString(encoded)).toStdString();
    EXPECT_EQ(original, a);
    EXPECT_NE(info.find("DeletionDate="), std::string::npos);
    EXPECT_TRUE(FileExists(trash + "/info/f.trashinfo"));

    // Restoring is putting the file back where its info says it was.
    ASSERT_TRUE(RenameNoReplace(trash + "/files/léto 1.jpg", original));
    EXPECT_EQ(ReadWholeFile(a), "A");
}

TEST_F(FileOperationTrash, VanishedEntryIsNoError) {
    ScriptedQuestions q;
    const auto r = RunJob(ShellFunc::Delete, {t_.file("home/gone.jpg")}, {}, q);
    EXPECT_TRUE(q.errors.empty());
    EXPECT_FALSE(r.cancelled);
}
