#include "core/journal_steps.h"

#include <cerrno>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include "core/journal_files.h"
#include "core/journal_patch.h"
#include "platform/file_system.h"

namespace kivo::journal_detail {

namespace {

// Puts the entry of a Trash step that has no place yet in the Trash; "" when it went.
std::string TrashFresh(const Step& s, const TrashEntryFn& trash, TrashedEntry& where) {
    if (!trash)
        return "no Trash to put it in";
    if (s.emptyOnly && !IsEmptyDir(s.from))
        return "folder not empty";
    std::string reason;
    return trash(s.from, where, reason) ? std::string() : reason;
}

} // namespace

void RunSteps(std::vector<Step>& steps, JournalBatch* batch, const TrashEntryFn& trash,
              bool resuming) {
    const auto stepFailed = [](Step& s, std::string reason) {
        s.outcome = UndoOutcome::Skipped;
        s.reason = std::move(reason);
    };
    for (Step& s : steps) {
        if (s.outcome != UndoOutcome::Would || !s.viaTemp || s.atTemp)
            continue;
        const FsResult r = RenameNoReplace(s.from, s.row.tempPath);
        if (!r) {
            stepFailed(s, ErrorText(r.error));
            continue;
        }
        s.atTemp = true;
        s.from = s.row.tempPath;
    }
    for (std::size_t i = 0; i < steps.size(); ++i) {
        Step& s = steps[i];
        if (s.outcome != UndoOutcome::Would)
            continue;
        const JournalRow& row = s.row;
        std::string failure;
        FileStamp after;
        TrashedEntry placed;
        switch (row.op) {
        case RowOp::Move:
        case RowOp::Trash:
        case RowOp::Untrash: {
            if (row.op == RowOp::Trash && row.newPath.empty()) {
                // No place yet: the Trash gives it one.
                failure = TrashFresh(s, trash, placed);
                if (!placed.filesPath.empty())
                    after = StampOf(placed.filesPath);
                break;
            }
            const bool infoWritten =
                row.op == RowOp::Trash && !row.aux.empty() && WriteWholeFile(row.aux, row.auxData);
            if (row.op == RowOp::Trash && !row.aux.empty() && !infoWritten) {
                failure = "cannot write " + row.aux;
            } else if (const FsResult r = MoveNoReplace(s.from, row.newPath); !r) {
                failure = r.error == EEXIST ? "original name taken" : r.message();
                if (infoWritten)
                    ::unlink(row.aux.c_str());
            } else if (row.op == RowOp::Untrash && !row.aux.empty()) {
                ::unlink(row.aux.c_str());
            }
            if (!failure.empty() && s.atTemp && s.from != row.oldPath) {
                // Back from the temporary name to where the batch had left it.
                if (const FsResult back = RenameNoReplace(s.from, row.oldPath); !back)
                    failure += "; left as " + s.from;
            }
            after = StampOf(row.newPath);
            break;
        }
        case RowOp::SetTime:
            failure = SetExactMtime(row.oldPath, row.before, row.newMtimeNs);
            after = StampOf(row.oldPath);
            break;
        case RowOp::Patch:
            failure = RunPatchRow(row);
            after = StampOf(row.oldPath);
            break;
        case RowOp::MakeDir:
            if (::mkdir(row.newPath.c_str(), 0777) != 0)
                failure = ErrorText(errno);
            after = StampOf(row.newPath);
            break;
        case RowOp::RemoveDir:
            if (::rmdir(row.oldPath.c_str()) != 0)
                failure =
                    errno == ENOTEMPTY || errno == EEXIST ? "folder not empty" : ErrorText(errno);
            break;
        case RowOp::Copy:
            failure = CopyAgain(row);
            after = StampOf(row.newPath);
            break;
        }
        if (resuming && row.op == RowOp::RemoveDir && failure == "folder not empty") {
            s.outcome = UndoOutcome::Nothing;
            if (batch)
                batch->notDone(i, "not empty");
        } else if (failure.empty()) {
            s.outcome = UndoOutcome::Undone;
            if (batch && !placed.filesPath.empty())
                batch->doneAt(i, after, placed.filesPath, placed.infoPath, placed.infoData);
            else if (batch)
                batch->done(i, after);
        } else {
            stepFailed(s, failure);
            if (batch)
                batch->notDone(i, s.reason);
        }
    }
}

} // namespace kivo::journal_detail
