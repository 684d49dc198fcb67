#pragma once
// Renaming many files of one folder at once, so that chains (a -> b while b -> c) and
// swaps (a <-> b) work and a failure never leaves a file half-way.
//
// Check() runs every test the renames would meet without touching a file; a row that would
// fail gets its reason, a row whose new name is its current name is "unchanged". The rest
// go in two phases, each a step of its own so a caller (a journal) can record what happened:
//
//   MoveToTemporaryNames(): every row to a temporary name in the same folder,
//   MoveToNewNames():       every row from its temporary name to its new name,
//
// both without ever replacing a file. If a rename of the second phase fails, everything the
// batch did is undone and every file keeps its old name.
//
// Temporary name of a file: ".kivo~<pid>~<old name>" — hidden, names the process that made
// it (a running process's names are left alone) and holds the old name, so that
// RestoreInterruptedRenames() can put a file back after the process was killed.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal.h"

namespace kivo {

inline constexpr std::string_view kRenameTempPrefix = ".kivo~";

// ".kivo~<pid>~<oldName>".
std::string RenameTempName(long pid, std::string_view oldName);

struct RenameTempParts {
    long pid = 0;
    std::string oldName;
};
// The parts of a temporary name, nullopt for any other name.
std::optional<RenameTempParts> ParseRenameTempName(std::string_view name);

enum class RenameState {
    Pending,   // checked, not renamed yet
    AtTemp,    // first phase done: the file is under its temporary name
    Renamed,   // under its new name
    Unchanged, // the new name is the current name: nothing to do
    Failed,    // see reason; the file has its old name (or, if even that failed, the reason
               // names where it is)
};

struct RenameItem {
    std::string oldName;
    std::string newName;
    std::string tempName; // set by the first phase
    RenameState state = RenameState::Pending;
    std::string reason; // why it failed (or would fail)
    // Items of one group (a photo with its sidecars and twin) rename all or none: when one
    // of them fails, the others fail too. -1: the item stands alone.
    int group = -1;
    // The file at its old name as the checks saw it (the entry itself, a link as a link).
    FileStamp stamp{};
};

class RenameBatch {
public:
    // `folder` ends with "/"; names are bare names in it.
    RenameBatch(std::string folder, std::vector<RenameItem> items, long pid);

    // The checks of the real run, nothing renamed. Returns the number of failed rows.
    int Check();
    // First phase (after Check). Returns false when no row is left to rename.
    bool MoveToTemporaryNames();
    // Second phase. All or nothing: on a failure every row is moved back to its old name.
    void MoveToNewNames();

    const std::vector<RenameItem>& items() const { return items_; }
    int failures() const;

private:
    std::string pathOf(const std::string& name) const { return folder_ + name; }
    // Rows whose target is taken by a file that stays (outside the batch, unchanged or
    // failed rows) or that share a target with an earlier row fail, until nothing changes.
    // With `filesMoved` the old names of the remaining rows are already free.
    void FailBlockedRows();
    void RollBack(std::size_t failedRow, int error);
    // Fails an active item, putting it back under its old name when it waits under its
    // temporary one.
    void FailItem(RenameItem& item, std::string reason);
    // Fails the active members of groups with a failed member; true when any was.
    bool FailGroups();

    std::string folder_;
    std::vector<RenameItem> items_;
    long pid_;
};

// Puts every file that a killed rename left under its temporary name in `folder` back
// under its old name, if that name is free. Names of processes for which `isRunning` is
// true are left alone. One entry per temporary name found.
struct RestoredRename {
    std::string tempName;
    std::string oldName;
    bool restored = false;
    std::string reason; // when not restored
};
bool ProcessIsRunning(long pid);
std::vector<RestoredRename>
RestoreInterruptedRenames(const std::string& folder,
                          const std::function<bool(long)>& isRunning = ProcessIsRunning);

} // namespace kivo
