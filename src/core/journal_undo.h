#pragma once
// Undoing a journaled batch, and finishing or rolling back one that was interrupted.
//
// Undo takes the rows in reverse order. Each row's file is looked for where the batch left
// it (or, for an interrupted batch, wherever it may be half-way: old place, temporary
// name, new place) and must still be the same file: device and inode, size, mtime to the
// nanosecond. A row whose file changed, moved or vanished since is skipped with its reason;
// the rest are undone. Files first go to temporary names and then to their old places, so
// swaps and chains of a rename batch come back too, and nothing is ever replaced.
//
// The undo is a batch of its own (kind Undo): undoing it redoes the original batch.
//
// An entry a batch created (a copy) is undone into the Trash, never deleted. The desktop's
// Trash code lives above this layer, so the caller hands it in; without it such an entry
// stays where it is.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/journal.h"
#include "platform/trashed_entry.h"

namespace kivo {

enum class UndoOutcome {
    Undone,  // undone (or, resuming, done)
    Would,   // a dry run: would be undone
    Nothing, // the row had not happened, or there is nothing left to do
    Skipped, // left as it is: reason
};
std::string_view UndoOutcomeKey(UndoOutcome outcome);

struct UndoRowReport {
    RowOp op = RowOp::Move;
    std::string path; // the place the row is about (where the file goes back to)
    std::string from; // where it was found
    UndoOutcome outcome = UndoOutcome::Nothing;
    std::string reason; // of a skipped row
};

struct UndoReport {
    std::int64_t batch = 0;     // the batch undone or resumed
    std::int64_t undoBatch = 0; // the undo's own batch (0 when nothing was undone)
    std::vector<UndoRowReport> rows;
    std::size_t undone = 0;
    std::size_t skipped = 0;
    std::string error; // the batch could not be undone at all: why
    bool ok() const { return error.empty(); }
};

// Puts an entry in the Trash and says where it went there (an empty filesPath when that
// cannot be found); false with `reason` when the entry stays.
using TrashEntryFn =
    std::function<bool(const std::string& path, TrashedEntry& where, std::string& reason)>;

// Undoes batch `id` (done, or interrupted: then it is rolled back).
UndoReport UndoBatch(Journal& journal, std::int64_t id, bool dryRun = false,
                     const TrashEntryFn& trash = {});
// Finishes an interrupted batch: every row that had not happened yet is done now.
UndoReport ResumeBatch(Journal& journal, std::int64_t id, bool dryRun = false,
                       const TrashEntryFn& trash = {});

} // namespace kivo
