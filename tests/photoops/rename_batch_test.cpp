// The two-phase rename of a batch: checks, chains and swaps, all-or-nothing, and putting
// back what a killed run left under temporary names.

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "photoops/rename_batch.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using test::ReadWholeFile;
using test::TempDir;

using Files = std::map<std::string, std::string>; // name -> contents

// Every entry of the folder with its contents (folders as "<dir>").
Files OnDisk(const std::string& folder) {
    Files files;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        files[name] = e.is_directory() ? "<dir>" : ReadWholeFile(e.path().string());
    }
    return files;
}

std::vector<RenameItem> Items(const std::vector<std::pair<std::string, std::string>>& rows) {
    std::vector<RenameItem> items;
    for (const auto& [from, to] : rows)
        items.push_back(RenameItem{from, to, {}, RenameState::Pending, {}});
    return items;
}

struct BatchCase {
    const char* what;
    Files before;
    std::vector<std::pair<std::string, std::string>> rows;
    std::vector<RenameState> states;
    std::vector<std::string> reasons;
    Files after;
};

void PrintTo(const BatchCase& c, std::ostream* os) {
    *os << c.what;
}

class Batch : public ::testing::TestWithParam<BatchCase> {};

TEST_P(Batch, CheckPredictsAndTheRunDoes) {
    const BatchCase& c = GetParam();
    TempDir dir;
    for (const auto& [name, contents] : c.before)
        dir.write(name, contents);

    RenameBatch dry(dir.path(), Items(c.rows), 4242);
    const int predicted = dry.Check();
    EXPECT_EQ(OnDisk(dir.path()), c.before) << "a check renames nothing";

    RenameBatch run(dir.path(), Items(c.rows), 4242);
    run.Check();
    run.MoveToTemporaryNames();
    run.MoveToNewNames();
    ASSERT_EQ(run.items().size(), c.states.size());
    for (std::size_t i = 0; i < c.states.size(); ++i) {
        EXPECT_EQ(run.items()[i].state, c.states[i]) << "row " << i;
        EXPECT_EQ(run.items()[i].reason, c.reasons[i]) << "row " << i;
        EXPECT_EQ(dry.items()[i].reason, c.reasons[i]) << "dry row " << i;
        const bool failed = c.states[i] == RenameState::Failed;
        EXPECT_EQ(dry.items()[i].state == RenameState::Failed, failed) << "dry row " << i;
    }
    EXPECT_EQ(run.failures(), predicted);
    EXPECT_EQ(OnDisk(dir.path()), c.after);
}

using S = RenameState;

INSTANTIATE_TEST_SUITE_P(Rules, Batch,
                         ::testing::Values(BatchCase{"chain",
                                                     {{"a", "A"}, {"b", "B"}},
                                                     {{"a", "b"}, {"b", "c"}},
                                                     {S::Renamed, S::Renamed},
                                                     {"", ""},
                                                     {{"b", "A"}, {"c", "B"}}},
                                           BatchCase{"swap",
                                                     {{"a", "A"}, {"b", "B"}},
                                                     {{"a", "b"}, {"b", "a"}},
                                                     {S::Renamed, S::Renamed},
                                                     {"", ""},
                                                     {{"a", "B"}, {"b", "A"}}},
                                           BatchCase{"cycle of three",
                                                     {{"1", "one"}, {"2", "two"}, {"3", "three"}},
                                                     {{"1", "2"}, {"2", "3"}, {"3", "1"}},
                                                     {S::Renamed, S::Renamed, S::Renamed},
                                                     {"", "", ""},
                                                     {{"2", "one"}, {"3", "two"}, {"1", "three"}}},
                                           BatchCase{"clash outside the batch",
                                                     {{"a", "A"}, {"b", "B"}, {"x", "X"}},
                                                     {{"a", "x"}, {"b", "c"}},
                                                     {S::Failed, S::Renamed},
                                                     {"target exists", ""},
                                                     {{"a", "A"}, {"c", "B"}, {"x", "X"}}},
                                           BatchCase{"chain blocked at its end",
                                                     {{"a", "A"}, {"b", "B"}, {"x", "X"}},
                                                     {{"a", "b"}, {"b", "x"}},
                                                     {S::Failed, S::Failed},
                                                     {"target exists", "target exists"},
                                                     {{"a", "A"}, {"b", "B"}, {"x", "X"}}},
                                           BatchCase{"two rows propose one name",
                                                     {{"a", "A"}, {"b", "B"}},
                                                     {{"a", "n"}, {"b", "n"}},
                                                     {S::Renamed, S::Failed},
                                                     {"", "same new name as a"},
                                                     {{"n", "A"}, {"b", "B"}}},
                                           BatchCase{"unchanged row keeps its name from the others",
                                                     {{"a", "A"}, {"b", "B"}},
                                                     {{"a", "a"}, {"b", "a"}},
                                                     {S::Unchanged, S::Failed},
                                                     {"", "target exists"},
                                                     {{"a", "A"}, {"b", "B"}}},
                                           BatchCase{"no new name and a path for a name",
                                                     {{"a", "A"}, {"b", "B"}},
                                                     {{"a", ""}, {"b", "sub/b"}},
                                                     {S::Failed, S::Failed},
                                                     {"no new name", "invalid new name"},
                                                     {{"a", "A"}, {"b", "B"}}},
                                           BatchCase{"file gone",
                                                     {{"b", "B"}},
                                                     {{"a", "c"}, {"b", "d"}},
                                                     {S::Failed, S::Renamed},
                                                     {"No such file or directory", ""},
                                                     {{"d", "B"}}},
                                           BatchCase{"new name too long",
                                                     {{"a", "A"}},
                                                     {{"a", std::string(256, 'n')}},
                                                     {S::Failed},
                                                     {"File name too long"},
                                                     {{"a", "A"}}}));

TEST(RenameBatch, AFolderIsNotARegularFile) {
    TempDir dir;
    dir.mkdir("d");
    dir.write("a", "A");
    RenameBatch batch(dir.path(), Items({{"d", "e"}, {"a", "d"}}), 7);
    EXPECT_EQ(batch.Check(), 2);
    EXPECT_EQ(batch.items()[0].reason, "not a regular file");
    EXPECT_EQ(batch.items()[1].reason, "target exists");
}

TEST(RenameBatch, ATakenTemporaryNameIsFoundByTheCheck) {
    TempDir dir;
    dir.write("a", "A");
    dir.write(RenameTempName(5, "a"), "stale");
    RenameBatch batch(dir.path(), Items({{"a", "x"}}), 5);
    EXPECT_EQ(batch.Check(), 1);
    EXPECT_EQ(batch.items()[0].reason, "temporary name .kivo~5~a exists");
}

TEST(RenameBatch, PhasesCanBeObservedBetweenThem) {
    TempDir dir;
    dir.write("a", "A");
    dir.write("b", "B");
    RenameBatch batch(dir.path(), Items({{"a", "b"}, {"b", "a"}}), 99);
    EXPECT_EQ(batch.Check(), 0);
    ASSERT_TRUE(batch.MoveToTemporaryNames());
    for (const RenameItem& item : batch.items()) {
        EXPECT_EQ(item.state, RenameState::AtTemp);
        EXPECT_EQ(item.tempName, RenameTempName(99, item.oldName));
        EXPECT_FALSE(FileExists(dir.file(item.oldName)));
        EXPECT_TRUE(FileExists(dir.file(item.tempName)));
    }
    EXPECT_EQ(ReadWholeFile(dir.file(".kivo~99~a")), "A");
    batch.MoveToNewNames();
    EXPECT_EQ(OnDisk(dir.path()), (Files{{"a", "B"}, {"b", "A"}}));
}

TEST(RenameBatch, AFailureInTheSecondPhaseUndoesEveryRow) {
    TempDir dir;
    dir.write("a", "A");
    dir.write("b", "B");
    dir.write("c", "C");
    RenameBatch batch(dir.path(), Items({{"a", "b"}, {"b", "c"}, {"c", "z"}}), 5);
    EXPECT_EQ(batch.Check(), 0);
    ASSERT_TRUE(batch.MoveToTemporaryNames());
    dir.write("z", "intruder"); // taken while the batch ran
    batch.MoveToNewNames();
    EXPECT_EQ(batch.failures(), 3);
    EXPECT_EQ(batch.items()[2].reason, "target exists");
    EXPECT_EQ(batch.items()[0].reason, "undone: c could not be renamed");
    EXPECT_EQ(OnDisk(dir.path()), (Files{{"a", "A"}, {"b", "B"}, {"c", "C"}, {"z", "intruder"}}));
}

TEST(RenameBatch, ARowStuckInTheFirstPhaseBlocksTheRowsWantingItsName) {
    TempDir dir;
    dir.write("a", "A");
    dir.write("b", "B");
    RenameBatch batch(dir.path(), Items({{"a", "x"}, {"b", "a"}}), 5);
    EXPECT_EQ(batch.Check(), 0);
    dir.write(RenameTempName(5, "a"), "stale"); // a's temporary name taken after the check
    EXPECT_FALSE(batch.MoveToTemporaryNames());
    EXPECT_EQ(batch.items()[0].reason, "target exists");
    EXPECT_EQ(batch.items()[1].reason, "target exists");
    batch.MoveToNewNames();
    EXPECT_EQ(OnDisk(dir.path()), (Files{{"a", "A"}, {"b", "B"}, {".kivo~5~a", "stale"}}));
}

TEST(RenameBatch, KilledBetweenThePhasesNothingIsLostAndTheNextRunPutsItBack) {
    TempDir dir;
    dir.write("a", "A");
    dir.write("b", "B");
    dir.write("c", "C");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RenameBatch batch(dir.path(), Items({{"a", "b"}, {"b", "a"}, {"c", "d"}}),
                          static_cast<long>(::getpid()));
        batch.Check();
        batch.MoveToTemporaryNames();
        ::_exit(0); // as if killed before the second phase
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const Files between = OnDisk(dir.path());
    ASSERT_EQ(between.size(), 3u) << "every file is still there";
    for (const auto& [name, contents] : between) {
        const auto parts = ParseRenameTempName(name);
        ASSERT_TRUE(parts) << name;
        EXPECT_EQ(parts->pid, static_cast<long>(child));
        EXPECT_EQ(contents, parts->oldName == "a" ? "A" : parts->oldName == "b" ? "B" : "C");
    }
    const std::vector<RestoredRename> restored = RestoreInterruptedRenames(dir.path());
    EXPECT_EQ(restored.size(), 3u);
    for (const RestoredRename& r : restored)
        EXPECT_TRUE(r.restored) << r.tempName << ": " << r.reason;
    EXPECT_EQ(OnDisk(dir.path()), (Files{{"a", "A"}, {"b", "B"}, {"c", "C"}}));
}

TEST(RenameBatch, RestoreLeavesARunningBatchAndATakenNameAlone) {
    TempDir dir;
    dir.write(RenameTempName(11, "a"), "running");
    dir.write(RenameTempName(12, "b"), "dead");
    dir.write("b", "taken meanwhile");
    dir.write(RenameTempName(13, "c"), "dead too");
    const auto restored = RestoreInterruptedRenames(dir.path(), [](long pid) { return pid == 11; });
    ASSERT_EQ(restored.size(), 2u);
    const auto of = [&](const std::string& old) {
        return *std::find_if(restored.begin(), restored.end(),
                             [&](const RestoredRename& r) { return r.oldName == old; });
    };
    EXPECT_FALSE(of("b").restored);
    EXPECT_EQ(of("b").reason, "target exists");
    EXPECT_TRUE(of("c").restored);
    EXPECT_EQ(OnDisk(dir.path()), (Files{{".kivo~11~a", "running"},
                                         {".kivo~12~b", "dead"},
                                         {"b", "taken meanwhile"},
                                         {"c", "dead too"}}));
}

struct TempNameCase {
    std::string name;
    bool valid;
    long pid;
    std::string oldName;
};

class TempNames : public ::testing::TestWithParam<TempNameCase> {};

TEST_P(TempNames, AreRecognised) {
    const auto& c = GetParam();
    const auto parts = ParseRenameTempName(c.name);
    ASSERT_EQ(parts.has_value(), c.valid) << c.name;
    if (parts) {
        EXPECT_EQ(parts->pid, c.pid);
        EXPECT_EQ(parts->oldName, c.oldName);
        EXPECT_EQ(RenameTempName(parts->pid, parts->oldName), c.name);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, TempNames,
    ::testing::Values(
        TempNameCase{".kivo~123~IMG_0001.JPG", true, 123, "IMG_0001.JPG"},
        TempNameCase{".kivo~1~a~b", true, 1, "a~b"}, TempNameCase{".kivo~1~..", false, 0, ""},
        TempNameCase{".kivo~~a", false, 0, ""}, TempNameCase{".kivo~12x~a", false, 0, ""},
        TempNameCase{".kivo~12~", false, 0, ""}, TempNameCase{".kivo~12345678901~a", false, 0, ""},
        TempNameCase{"kivo~1~a", false, 0, ""}, TempNameCase{"a.jpg", false, 0, ""}));

} // namespace
} // namespace kivo
