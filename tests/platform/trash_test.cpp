// The freedesktop Trash layout: entries are renamed into files/,
// their .trashinfo says where they came from in percent-encoded bytes (relative to the
// volume's top on a volume Trash), and an entry that no Trash can take stays in place.
//
// GIO reads HOME and XDG_DATA_HOME once per process, so the whole program shares one
// temporary home, set before the first test.

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/gui/file_operation.h"
#include "platform/gui/trash.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using namespace kivo;
using kivo::test::ReadWholeFile;
using kivo::test::TempDir;

namespace {

class TrashHome : public ::testing::Environment {
public:
    void SetUp() override {
        home_ = std::make_unique<TempDir>();
        ::setenv("HOME", home_->mkdir("home").c_str(), 1);
        ::setenv("XDG_DATA_HOME", home_->mkdir("home/data").c_str(), 1);
    }
    void TearDown() override { home_.reset(); }
    static std::string Home() { return std::getenv("HOME"); }
    static std::string Trash() { return Home() + "/data/Trash"; }

private:
    std::unique_ptr<TempDir> home_;
};

const auto* const kTrashHome = ::testing::AddGlobalTestEnvironment(new TrashHome);

void WriteFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    ASSERT_TRUE(out.good()) << path;
}

// The value of a "Key=" line of a .trashinfo.
std::string InfoValue(const std::string& info, const std::string& key) {
    const auto at = info.find("\n" + key + "=");
    if (at == std::string::npos)
        return {};
    const auto begin = at + key.size() + 2;
    return info.substr(begin, info.find('\n', begin) - begin);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Decodes %XX escapes; fails the test for a byte that must have been escaped.
std::string DecodeTrashPath(const std::string& encoded) {
    static const std::string kPlain = "-._~/!$&'()*+,;=:@";
    std::string out;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(encoded[i]);
        if (c == '%') {
            const int hi = i + 2 < encoded.size() ? HexDigit(encoded[i + 1]) : -1;
            const int lo = i + 2 < encoded.size() ? HexDigit(encoded[i + 2]) : -1;
            EXPECT_TRUE(hi >= 0 && lo >= 0) << "bad escape in " << encoded;
            if (hi < 0 || lo < 0)
                return out;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            EXPECT_TRUE(std::isalnum(c) || kPlain.find(static_cast<char>(c)) != std::string::npos)
                << "unescaped byte " << static_cast<int>(c) << " in " << encoded;
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The .trashinfo files of a Trash folder whose Path decodes to `original`.
std::vector<std::string> InfosFor(const std::string& trash, const std::string& original,
                                  bool relativeTo = false, const std::string& top = {}) {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(trash + "/info", ec)) {
        const std::string info = ReadWholeFile(e.path().string());
        std::string path = DecodeTrashPath(InfoValue(info, "Path"));
        if (relativeTo)
            path = top + "/" + path;
        if (path == original)
            found.push_back(e.path().filename().string());
    }
    return found;
}

std::string FilesEntryOf(const std::string& infoName) {
    return infoName.substr(0, infoName.size() - std::string(".trashinfo").size());
}

class CountingQuestions : public FileOperationQuestions {
public:
    std::vector<std::string> errors;
    ReplaceAnswer AskReplace(const ReplaceQuestion&) override {
        return {ReplaceChoice::Cancel, false};
    }
    bool ConfirmTrash(const std::vector<std::string>&) override { return true; }
    ErrorChoice ReportError(const std::string& message, bool) override {
        errors.push_back(message);
        return ErrorChoice::Skip;
    }
    bool Progress(std::uint64_t, std::uint64_t, const std::string&) override { return true; }
};

} // namespace

TEST(Trash, PathIsPercentEncodedAndTheEntryIsRenamedIntoFiles) {
    const std::string folder = TrashHome::Home() + "/fotky léto";
    fs::create_directories(folder);
    const std::string path = folder + "/100% #1 [a]?.jpg";
    WriteFile(path, "A");
    const TrashOutcome r = MoveToTrash(path);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_FALSE(PathExists(path));

    const auto infos = InfosFor(TrashHome::Trash(), path);
    ASSERT_EQ(infos.size(), 1u);
    const std::string info = ReadWholeFile(TrashHome::Trash() + "/info/" + infos[0]);
    EXPECT_EQ(info.rfind("[Trash Info]\n", 0), 0u) << info;
    const std::string encoded = InfoValue(info, "Path");
    // An absolute path in the home Trash, with the blank, '%', '#', '?', brackets and the
    // UTF-8 bytes escaped.
    EXPECT_EQ(encoded.rfind('/', 0), 0u);
    EXPECT_NE(encoded.find("fotky%20l%C3%A9to/100%25%20%231%20%5Ba%5D%3F.jpg"), std::string::npos)
        << encoded;
    EXPECT_TRUE(std::regex_match(InfoValue(info, "DeletionDate"),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)")))
        << info;
    EXPECT_EQ(ReadWholeFile(TrashHome::Trash() + "/files/" + FilesEntryOf(infos[0])), "A");
}

TEST(Trash, ANameThatIsNotUtf8KeepsItsBytes) {
    const std::string path = TrashHome::Home() + "/\xff\xfe.jpg";
    WriteFile(path, "raw");
    ASSERT_TRUE(MoveToTrash(path).ok);
    const auto infos = InfosFor(TrashHome::Trash(), path);
    ASSERT_EQ(infos.size(), 1u);
    const std::string info = ReadWholeFile(TrashHome::Trash() + "/info/" + infos[0]);
    EXPECT_NE(InfoValue(info, "Path").find("/%FF%FE.jpg"), std::string::npos) << info;
    EXPECT_EQ(ReadWholeFile(TrashHome::Trash() + "/files/" + FilesEntryOf(infos[0])), "raw");
}

TEST(Trash, TwoEntriesOfOneNameGetTwoPlaces) {
    const std::string a = TrashHome::Home() + "/a/same.jpg";
    const std::string b = TrashHome::Home() + "/b/same.jpg";
    fs::create_directories(TrashHome::Home() + "/a");
    fs::create_directories(TrashHome::Home() + "/b");
    WriteFile(a, "first");
    WriteFile(b, "second");
    struct stat sa {
    }, sb{};
    ASSERT_EQ(::lstat(a.c_str(), &sa), 0);
    ASSERT_EQ(::lstat(b.c_str(), &sb), 0);
    ASSERT_TRUE(MoveToTrash(a).ok);
    ASSERT_TRUE(MoveToTrash(b).ok);
    const auto infoA = InfosFor(TrashHome::Trash(), a);
    const auto infoB = InfosFor(TrashHome::Trash(), b);
    ASSERT_EQ(infoA.size(), 1u);
    ASSERT_EQ(infoB.size(), 1u);
    EXPECT_NE(infoA[0], infoB[0]);
    EXPECT_EQ(ReadWholeFile(TrashHome::Trash() + "/files/" + FilesEntryOf(infoA[0])), "first");
    EXPECT_EQ(ReadWholeFile(TrashHome::Trash() + "/files/" + FilesEntryOf(infoB[0])), "second");

    // Found again by device and inode, all at once and in their order; one never trashed.
    const auto found = FindTrashedEntries(
        {{b, sb.st_dev, sb.st_ino}, {a, sa.st_dev, sa.st_ino}, {a, sa.st_dev, sa.st_ino + 99999}});
    ASSERT_EQ(found.size(), 3u);
    const std::string infoPath[] = {infoB[0], infoA[0]};
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_TRUE(found[i]) << i;
        EXPECT_EQ(found[i]->filesPath, TrashHome::Trash() + "/files/" + FilesEntryOf(infoPath[i]));
        EXPECT_EQ(found[i]->infoPath, TrashHome::Trash() + "/info/" + infoPath[i]);
        EXPECT_EQ(found[i]->infoData, ReadWholeFile(found[i]->infoPath));
    }
    EXPECT_FALSE(found[2]);
}

TEST(Trash, ALinkGoesItselfAndItsTargetStays) {
    const std::string target = TrashHome::Home() + "/target.jpg";
    const std::string link = TrashHome::Home() + "/link.jpg";
    WriteFile(target, "T");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    ASSERT_TRUE(MoveToTrash(link).ok);
    EXPECT_EQ(ReadWholeFile(target), "T");
    const auto infos = InfosFor(TrashHome::Trash(), link);
    ASSERT_EQ(infos.size(), 1u);
    struct stat st {};
    ASSERT_EQ(::lstat((TrashHome::Trash() + "/files/" + FilesEntryOf(infos[0])).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

// Runs in a process of its own (below) that sees a fresh ramfs at KIVO_TRASH_VOLUME.
void TrashOnVolume(const std::string& top) {
    struct stat home {
    }, vol{};
    ASSERT_EQ(::stat(TrashHome::Home().c_str(), &home), 0);
    ASSERT_EQ(::stat(top.c_str(), &vol), 0);
    ASSERT_NE(home.st_dev, vol.st_dev);
    fs::create_directories(top + "/DCIM/100 CANON");
    const std::string path = top + "/DCIM/100 CANON/karta 1.jpg";
    WriteFile(path, "card");
    const TrashOutcome r = MoveToTrash(path);
    ASSERT_TRUE(r.ok) << r.reason;
    const std::string trash = top + "/.Trash-" + std::to_string(::getuid());
    const auto infos = InfosFor(trash, path, true, top);
    ASSERT_EQ(infos.size(), 1u);
    const std::string info = ReadWholeFile(trash + "/info/" + infos[0]);
    // Relative to the volume's top, so the volume may be mounted elsewhere next time.
    EXPECT_EQ(InfoValue(info, "Path"), "DCIM/100%20CANON/karta%201.jpg");
    EXPECT_EQ(ReadWholeFile(trash + "/files/" + FilesEntryOf(infos[0])), "card");
    struct stat st {};
    ASSERT_EQ(::stat(trash.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Nothing of it went into the home Trash.
    EXPECT_TRUE(InfosFor(TrashHome::Trash(), path).empty());
}

TEST(Trash, AnotherVolumeHasATrashOfItsOwnWithRelativePaths) {
    if (const char* top = std::getenv("KIVO_TRASH_VOLUME")) {
        TrashOnVolume(top);
        return;
    }
    // A second file system only this test sees: a ramfs in a private mount namespace (GIO keeps
    // tmpfs for the system).
    TempDir t;
    const std::string top = t.mkdir("volume");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("kivo-test", top.c_str(), "ramfs", 0, nullptr) != 0)
            ::_exit(77);
        ::setenv("KIVO_TRASH_VOLUME", top.c_str(), 1);
        ::execl("/proc/self/exe", "trash_test",
                "--gtest_filter=Trash.AnotherVolumeHasATrashOfItsOwnWithRelativePaths",
                static_cast<char*>(nullptr));
        ::_exit(78);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no private mount namespace here for a second file system";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the run on the second file system failed";
}

TEST(Trash, AVolumeWithoutATrashLeavesTheEntryAndSaysWhy) {
    // The kernel's own file systems take no Trash; the answer is an error, never a delete.
    const TrashOutcome r = MoveToTrash("/proc/self/status");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.reason.empty());
    EXPECT_TRUE(PathExists("/proc/self/status"));
}

TEST(Trash, TheJobReportsARefusedEntryAndGoesOn) {
    const std::string kept = "/proc/self/status";
    const std::string path = TrashHome::Home() + "/job.jpg";
    WriteFile(path, "J");
    CountingQuestions q;
    const FileOperationResult r = FileOperationJob(ShellFunc::Delete, {kept, path}, {}, q).Run();
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.done, 1);
    EXPECT_FALSE(r.ok());
    ASSERT_EQ(q.errors.size(), 1u);
    EXPECT_EQ(q.errors[0].rfind("Cannot move to the Trash \"" + kept + "\": ", 0), 0u)
        << q.errors[0];
    EXPECT_FALSE(PathExists(path));
    EXPECT_EQ(InfosFor(TrashHome::Trash(), path).size(), 1u);
}
