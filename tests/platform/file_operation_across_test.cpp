// The file-operation job across file systems: links are moved as links, FIFOs are
// reported and skipped, and neither a copy nor a move leaves a temporary file behind.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/gui/file_operation.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using namespace kivo;
using kivo::test::ReadWholeFile;
using kivo::test::TempDir;

namespace {

class Answers : public FileOperationQuestions {
public:
    ReplaceChoice replace = ReplaceChoice::Replace;
    std::vector<std::string> errors;
    ReplaceAnswer AskReplace(const ReplaceQuestion&) override { return {replace, false}; }
    bool ConfirmTrash(const std::vector<std::string>&) override { return false; }
    ErrorChoice ReportError(const std::string& message, bool) override {
        errors.push_back(message);
        return ErrorChoice::Skip;
    }
    bool Progress(std::uint64_t, std::uint64_t, const std::string&) override { return true; }
};

class Across : public ::testing::Test {
protected:
    void SetUp() override {
        struct stat a {
        }, b{};
        if (::stat(t.path().c_str(), &a) != 0 || ::stat("/dev/shm", &b) != 0 ||
            a.st_dev == b.st_dev || ::access("/dev/shm", W_OK) != 0)
            GTEST_SKIP() << "no second writable file system at /dev/shm: nothing to move across";
        std::string templ = "/dev/shm/kivo-job-XXXXXX";
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        other = templ;
    }
    void TearDown() override {
        std::error_code ec;
        if (!other.empty())
            fs::remove_all(other, ec);
    }
    std::vector<std::string> otherNames(const std::string& sub = {}) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(other + sub))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir t;
    std::string other;
};

bool IsLink(const std::string& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

} // namespace

TEST_F(Across, FolderWithALinkAndAFifo) {
    const std::string photo = t.write("elsewhere/p.jpg", "photo");
    t.write("f/a.jpg", "A");
    ASSERT_EQ(::symlink(photo.c_str(), t.file("f/link.jpg").c_str()), 0);
    ASSERT_EQ(::mkfifo(t.file("f/pipe").c_str(), 0644), 0);
    Answers q;
    const FileOperationResult r =
        FileOperationJob(ShellFunc::Move, {t.file("f")}, {other + "/f"}, q).Run();
    EXPECT_EQ(r.failed, 1);
    ASSERT_EQ(q.errors.size(), 1u);
    EXPECT_NE(q.errors[0].find("pipe"), std::string::npos) << q.errors[0];
    EXPECT_NE(q.errors[0].find("not a regular file"), std::string::npos) << q.errors[0];
    EXPECT_EQ(ReadWholeFile(other + "/f/a.jpg"), "A");
    ASSERT_TRUE(IsLink(other + "/f/link.jpg"));
    EXPECT_EQ(fs::read_symlink(other + "/f/link.jpg").string(), photo);
    EXPECT_EQ(ReadWholeFile(photo), "photo");
    EXPECT_EQ(otherNames("/f"), (std::vector<std::string>{"a.jpg", "link.jpg"}));
    // The FIFO stays, so its folder does.
    EXPECT_TRUE(PathExists(t.file("f/pipe")));
    EXPECT_FALSE(PathExists(t.file("f/a.jpg")));
}

TEST_F(Across, ReplacingMoveLeavesOnlyTheNewFile) {
    const std::string a = t.write("a.jpg", "new contents");
    const std::string b = other + "/a.jpg";
    {
        const int fd = ::open(b.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "old", 3), 3);
        ::close(fd);
    }
    Answers q;
    const FileOperationResult r = FileOperationJob(ShellFunc::Move, {a}, {b}, q).Run();
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(ReadWholeFile(b), "new contents");
    EXPECT_FALSE(PathExists(a));
    EXPECT_EQ(otherNames(), std::vector<std::string>{"a.jpg"});
}

TEST_F(Across, CopyLeavesNoTemporaryFile) {
    const std::string a = t.write("a.jpg", std::string(2 << 20, 'q'));
    Answers q;
    EXPECT_TRUE(FileOperationJob(ShellFunc::Copy, {a}, {other + "/a.jpg"}, q).Run().ok());
    EXPECT_EQ(ReadWholeFile(other + "/a.jpg").size(), std::size_t(2 << 20));
    EXPECT_EQ(otherNames(), std::vector<std::string>{"a.jpg"});
}

TEST_F(Across, MissingTargetFolderNamesTheTarget) {
    const std::string a = t.write("a.jpg", "A");
    Answers q;
    const FileOperationResult r =
        FileOperationJob(ShellFunc::Copy, {a}, {other + "/missing/a.jpg"}, q).Run();
    EXPECT_EQ(r.failed, 1);
    ASSERT_EQ(q.errors.size(), 1u);
    EXPECT_NE(q.errors[0].find("Cannot create \"" + other + "/missing/a.jpg\""), std::string::npos)
        << q.errors[0];
    EXPECT_EQ(ReadWholeFile(a), "A");
}
