#pragma once
// The steps an undo or a resume takes, and running them: moves, times, patches, folders
// and the Trash.

#include <cstddef>
#include <string>
#include <vector>

#include "core/journal.h"
#include "core/journal_undo.h"

namespace kivo::journal_detail {

// One step to make: `row` as it goes into the journal, plus where the file waits.
struct Step {
    std::size_t original = 0; // row of the batch this step is about
    JournalRow row;           // oldPath -> newPath of the step itself
    std::string from;         // where the file is now (row.oldPath, or a temporary name)
    bool viaTemp = false;     // go through row.tempPath first
    bool atTemp = false;
    bool emptyOnly = false; // a folder that goes to the Trash only once it is empty
    UndoOutcome outcome = UndoOutcome::Would;
    std::string reason;
};

// Runs the steps: first every file that goes through a temporary name to it, then every
// step in order. A step that fails leaves its file where it was.
// Resuming, a folder that is not empty stays, as in the run itself: no failure.
void RunSteps(std::vector<Step>& steps, JournalBatch* batch, const TrashEntryFn& trash,
              bool resuming = false);

} // namespace kivo::journal_detail
