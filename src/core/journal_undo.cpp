#include "core/journal_undo.h"

#include <cerrno>
#include <climits>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include "core/journal_files.h"
#include "core/journal_patch.h"
#include "core/journal_steps.h"
#include "platform/file_system.h"
#include "platform/regular_file.h"

namespace kivo {

using namespace journal_detail;

namespace {

// Whether the entry at a copy row's place that has no done mark is still the one the
// paste was to replace (the Trash row before it).
bool NotReplacedYet(const FileStamp& now, const JournalRow& r, const JournalRow* previous) {
    return r.state == RowState::Intent && previous && previous->op == RowOp::Trash &&
           previous->oldPath == r.newPath && SameIdentity(now, previous->before);
}

// What undoing one row takes, found from the file system as it is now; `previous` is the
// batch's row before it.
Step PlanUndo(std::size_t index, const JournalRow& r, const JournalRow* previous) {
    Step step;
    step.original = index;
    step.outcome = UndoOutcome::Nothing;
    if (r.state != RowState::Done && r.state != RowState::Intent)
        return step;
    JournalRow& inv = step.row;
    switch (r.op) {
    case RowOp::Move:
    case RowOp::Trash:
    case RowOp::Untrash: {
        inv.op = r.op == RowOp::Move    ? RowOp::Move
                 : r.op == RowOp::Trash ? RowOp::Untrash
                                        : RowOp::Trash;
        inv.aux = r.aux;
        inv.auxData = r.auxData;
        inv.newPath = r.oldPath;
        const FileStamp atNew = StampOf(r.newPath);
        if (IsMovedFile(atNew, r)) {
            inv.oldPath = r.newPath;
            inv.before = atNew;
            inv.tempPath = TempBeside(r.newPath);
            step.viaTemp = !inv.tempPath.empty();
        } else if (!r.tempPath.empty() && IsMovedFile(StampOf(r.tempPath), r)) {
            inv.oldPath = r.tempPath;
            inv.before = StampOf(r.tempPath);
            step.atTemp = true;
        } else if (IsMovedFile(StampOf(r.oldPath), r)) {
            // Never moved. A trash row may have left its .trashinfo behind.
            if (r.op == RowOp::Trash && !r.aux.empty())
                ::unlink(r.aux.c_str());
            return step;
        } else {
            step.outcome = UndoOutcome::Skipped;
            step.reason = GoneOrChanged(atNew);
            return step;
        }
        step.from = inv.oldPath;
        break;
    }
    case RowOp::SetTime: {
        const FileStamp now = StampOf(r.oldPath);
        const std::int64_t written = r.after.exists ? r.after.mtimeNs : r.newMtimeNs;
        if (!SameIdentity(now, r.before) || now.size != r.before.size) {
            step.outcome = UndoOutcome::Skipped;
            step.reason = GoneOrChanged(now);
            return step;
        }
        if (now.mtimeNs == r.before.mtimeNs)
            return step;
        if (now.mtimeNs != written) {
            step.outcome = UndoOutcome::Skipped;
            step.reason = "changed since";
            return step;
        }
        inv.op = RowOp::SetTime;
        inv.oldPath = r.oldPath;
        inv.before = now;
        inv.newMtimeNs = r.before.mtimeNs;
        step.from = r.oldPath;
        break;
    }
    case RowOp::Patch: {
        const FileStamp now = StampOf(r.oldPath);
        const bool asLeft = r.after.exists && SameIdentity(now, r.after) &&
                            now.size == r.after.size && now.mtimeNs == r.after.mtimeNs;
        // Without its done mark the row may or may not have happened: the bytes tell.
        const PatchedFile bytes = asLeft ? PatchedFile::After : LookAtPatchedFile(r);
        if (bytes == PatchedFile::Before && !r.after.exists)
            return step;
        if (bytes != PatchedFile::After || (r.after.exists && !asLeft)) {
            step.outcome = UndoOutcome::Skipped;
            step.reason = GoneOrChanged(now);
            return step;
        }
        inv = InversePatchRow(r, now);
        step.from = r.oldPath;
        break;
    }
    case RowOp::MakeDir: {
        const FileStamp now = StampOf(r.newPath);
        if (!now.exists)
            return step;
        if (!now.isDir || (r.after.exists && !SameIdentity(now, r.after))) {
            step.outcome = UndoOutcome::Skipped;
            step.reason = "changed since";
            return step;
        }
        inv.op = RowOp::RemoveDir;
        inv.oldPath = r.newPath;
        inv.before = now;
        step.from = r.newPath;
        break;
    }
    case RowOp::RemoveDir: {
        const FileStamp now = StampOf(r.oldPath);
        if (now.exists && now.isDir)
            return step;
        if (now.exists) {
            step.outcome = UndoOutcome::Skipped;
            step.reason = "name taken";
            return step;
        }
        inv.op = RowOp::MakeDir;
        inv.newPath = r.oldPath;
        break;
    }
    case RowOp::Copy: {
        // The copy goes to the Trash (which names it there) when it is the one the batch
        // made; without a done mark, one like its source is taken for it.
        const FileStamp now = StampOf(r.newPath);
        if (!now.exists && r.state == RowState::Intent)
            return step;
        if (NotReplacedYet(now, r, previous))
            return step;
        if (!IsCopyOf(now, r)) {
            step.outcome = UndoOutcome::Skipped;
            step.reason = GoneOrChanged(now);
            return step;
        }
        inv.op = RowOp::Trash;
        inv.oldPath = r.newPath;
        inv.before = now;
        step.from = r.newPath;
        step.emptyOnly = now.isDir;
        break;
    }
    }
    step.outcome = UndoOutcome::Would;
    return step;
}

UndoRowReport ReportOf(const Step& s, const JournalRow& original) {
    UndoRowReport r;
    r.op = original.op;
    r.path = original.op == RowOp::MakeDir || original.op == RowOp::Copy ? original.newPath
                                                                         : original.oldPath;
    r.from = s.from;
    r.outcome = s.outcome;
    r.reason = s.reason;
    return r;
}

// In a dry run, an old place that is taken and that no other step frees makes a skip.
void CheckTargets(std::vector<Step>& steps) {
    std::set<std::string> freed;
    for (const Step& s : steps)
        if (s.outcome == UndoOutcome::Would && !s.from.empty())
            freed.insert(s.from);
    for (Step& s : steps) {
        if (s.outcome != UndoOutcome::Would)
            continue;
        const bool moves = s.row.op == RowOp::Move || s.row.op == RowOp::Trash ||
                           s.row.op == RowOp::Untrash || s.row.op == RowOp::MakeDir;
        if (moves && StampOf(s.row.newPath).exists && !freed.contains(s.row.newPath)) {
            s.outcome = UndoOutcome::Skipped;
            s.reason = "original name taken";
        }
    }
}

// Where a row leaves its file: the place its undo takes it from.
const std::string& PlaceOf(const JournalRow& r) {
    const bool inPlace = r.op == RowOp::SetTime || r.op == RowOp::Patch || r.op == RowOp::RemoveDir;
    return inPlace ? r.oldPath : r.newPath;
}

// The rows of a batch undone once that undoing its undo has done again, so that the batch
// can be undone anew: each found by the place its undo's row took the file from, and
// stamped with what stands at its place now (a folder made again is another inode).
std::vector<Journal::RowMark> RedoneMarks(const std::vector<JournalRow>& batch,
                                          const std::vector<JournalRow>& undo,
                                          const std::vector<Step>& steps) {
    std::map<std::string, std::size_t> undoneAt;
    for (std::size_t i = 0; i < batch.size(); ++i)
        if (batch[i].state == RowState::Undone)
            undoneAt.emplace(PlaceOf(batch[i]), i);
    std::vector<Journal::RowMark> marks;
    for (const Step& s : steps) {
        if (s.outcome != UndoOutcome::Undone)
            continue;
        const JournalRow& u = undo[s.original];
        const auto it = undoneAt.find(u.op == RowOp::MakeDir ? u.newPath : u.oldPath);
        if (it != undoneAt.end())
            marks.push_back({it->second, RowState::Done, {}, StampOf(PlaceOf(batch[it->second]))});
    }
    return marks;
}

void Count(UndoReport& report) {
    for (const UndoRowReport& r : report.rows) {
        report.undone += r.outcome == UndoOutcome::Undone || r.outcome == UndoOutcome::Would;
        report.skipped += r.outcome == UndoOutcome::Skipped;
    }
}

} // namespace

std::string_view UndoOutcomeKey(UndoOutcome outcome) {
    switch (outcome) {
    case UndoOutcome::Undone:
        return "undone";
    case UndoOutcome::Would:
        return "would undo";
    case UndoOutcome::Nothing:
        return "nothing to do";
    case UndoOutcome::Skipped:
        return "skipped";
    }
    return {};
}

UndoReport UndoBatch(Journal& journal, std::int64_t id, bool dryRun, const TrashEntryFn& trash) {
    UndoReport report;
    report.batch = id;
    try {
        const std::optional<BatchInfo> info = journal.Batch(id);
        if (!info) {
            report.error = "no batch " + std::to_string(id) + " in the journal";
            return report;
        }
        if (info->state == BatchState::Undone) {
            report.error = "batch " + std::to_string(id) + " has already been undone";
            return report;
        }
        if (info->state == BatchState::Running && !info->interrupted) {
            report.error = "batch " + std::to_string(id) + " is still running";
            return report;
        }
        // An interrupted batch is held while it is rolled back, so nobody resumes it meanwhile.
        std::unique_ptr<JournalBatch> held;
        if (info->state == BatchState::Running && !dryRun)
            held = std::make_unique<JournalBatch>(journal, id);
        const std::vector<JournalRow> rows = held ? held->rows() : journal.Rows(id);

        std::vector<Step> steps;
        std::vector<const JournalRow*> originals;
        for (std::size_t i = rows.size(); i-- > 0;) {
            steps.push_back(PlanUndo(i, rows[i], i > 0 ? &rows[i - 1] : nullptr));
            originals.push_back(&rows[i]);
        }
        if (dryRun) {
            CheckTargets(steps);
        } else {
            // Only the steps to take go into the undo's batch, as intent first.
            std::vector<Step> todo;
            std::vector<std::size_t> where;
            for (std::size_t i = 0; i < steps.size(); ++i)
                if (steps[i].outcome == UndoOutcome::Would) {
                    todo.push_back(steps[i]);
                    where.push_back(i);
                }
            if (!todo.empty()) {
                std::vector<JournalRow> intent;
                for (const Step& s : todo)
                    intent.push_back(s.row);
                JournalBatch undo(journal, BatchKind::Undo, info->folder, std::move(intent), id);
                RunSteps(todo, &undo, trash);
                undo.finish();
                report.undoBatch = journal.Batch(undo.id()) ? undo.id() : 0;
                for (std::size_t k = 0; k < todo.size(); ++k)
                    steps[where[k]] = std::move(todo[k]);
            }
            std::vector<Journal::RowMark> marks;
            bool anyUndone = false;
            for (const Step& s : steps) {
                if (s.outcome == UndoOutcome::Undone) {
                    anyUndone = true;
                    marks.push_back({s.original, RowState::Undone, {}});
                } else if (s.outcome == UndoOutcome::Skipped) {
                    marks.push_back({s.original, RowState::Skipped, s.reason});
                }
            }
            if (held) {
                for (const Journal::RowMark& m : marks)
                    held->mark(m.seq, m.state, m.reason);
                held->finish(BatchState::Undone);
            } else if (anyUndone) {
                journal.MarkRows(id, marks);
                journal.SetBatchState(id, BatchState::Undone);
                // Undoing an undo redoes its batch, which can then be undone again.
                if (info->kind == BatchKind::Undo && info->undoOf != 0) {
                    journal.MarkRows(info->undoOf,
                                     RedoneMarks(journal.Rows(info->undoOf), rows, steps));
                    journal.SetBatchState(info->undoOf, BatchState::Done);
                }
            }
        }
        for (std::size_t i = 0; i < steps.size(); ++i)
            report.rows.push_back(ReportOf(steps[i], *originals[i]));
        Count(report);
    } catch (const JournalError& e) {
        report.error = e.what();
    }
    return report;
}

UndoReport ResumeBatch(Journal& journal, std::int64_t id, bool dryRun, const TrashEntryFn& trash) {
    UndoReport report;
    report.batch = id;
    try {
        const std::optional<BatchInfo> info = journal.Batch(id);
        if (!info || !info->interrupted) {
            report.error = "batch " + std::to_string(id) + " was not interrupted";
            return report;
        }
        std::unique_ptr<JournalBatch> held;
        if (!dryRun)
            held = std::make_unique<JournalBatch>(journal, id);
        const std::vector<JournalRow> rows = held ? held->rows() : journal.Rows(id);
        // The forward steps are the rows themselves, from wherever each file is now.
        std::vector<Step> steps;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const JournalRow& r = rows[i];
            Step s;
            s.original = i;
            s.row = r;
            s.from = r.oldPath;
            s.outcome = UndoOutcome::Nothing;
            if (r.state == RowState::Intent) {
                s.outcome = UndoOutcome::Would;
                switch (r.op) {
                case RowOp::Move:
                case RowOp::Trash:
                case RowOp::Untrash:
                    if (IsMovedFile(StampOf(r.newPath), r)) {
                        s.outcome = UndoOutcome::Nothing;
                        if (held)
                            held->done(i, StampOf(r.newPath));
                    } else if (!r.tempPath.empty() && IsMovedFile(StampOf(r.tempPath), r)) {
                        s.from = r.tempPath;
                        s.atTemp = true;
                    } else if (IsMovedFile(StampOf(r.oldPath), r)) {
                        s.viaTemp = !r.tempPath.empty();
                    } else {
                        s.outcome = UndoOutcome::Skipped;
                        s.reason = GoneOrChanged(StampOf(r.oldPath));
                    }
                    break;
                case RowOp::SetTime: {
                    const FileStamp now = StampOf(r.oldPath);
                    if (!SameIdentity(now, r.before)) {
                        s.outcome = UndoOutcome::Skipped;
                        s.reason = GoneOrChanged(now);
                    } else if (now.mtimeNs == r.newMtimeNs) {
                        s.outcome = UndoOutcome::Nothing;
                        if (held)
                            held->done(i, now);
                    } else if (now.mtimeNs != r.before.mtimeNs) {
                        s.outcome = UndoOutcome::Skipped;
                        s.reason = "changed since";
                    } else {
                        s.row.before = now;
                    }
                    break;
                }
                case RowOp::Patch: {
                    const FileStamp now = StampOf(r.oldPath);
                    const PatchedFile bytes = LookAtPatchedFile(r);
                    if (bytes == PatchedFile::After) {
                        s.outcome = UndoOutcome::Nothing;
                        if (held)
                            held->done(i, now);
                    } else if (bytes != PatchedFile::Before || !SameIdentity(now, r.before) ||
                               now.mtimeNs != r.before.mtimeNs) {
                        s.outcome = UndoOutcome::Skipped;
                        s.reason = GoneOrChanged(now);
                    }
                    break;
                }
                case RowOp::MakeDir:
                    if (StampOf(r.newPath).isDir) {
                        s.outcome = UndoOutcome::Nothing;
                        if (held)
                            held->done(i, StampOf(r.newPath));
                    }
                    break;
                case RowOp::RemoveDir:
                    if (!StampOf(r.oldPath).exists) {
                        s.outcome = UndoOutcome::Nothing;
                        if (held)
                            held->done(i, {});
                    }
                    break;
                case RowOp::Copy: {
                    // The file it replaces goes to the Trash first, by the row before.
                    const FileStamp at = StampOf(r.newPath);
                    const bool toReplace = NotReplacedYet(at, r, i > 0 ? &rows[i - 1] : nullptr);
                    if (!toReplace && IsCopyOf(at, r)) {
                        s.outcome = UndoOutcome::Nothing;
                        if (held)
                            held->done(i, at);
                    } else if (at.exists && !toReplace) {
                        s.outcome = UndoOutcome::Skipped;
                        s.reason = "name taken";
                    } else if (!IsMovedFile(StampOf(r.oldPath), r)) {
                        s.outcome = UndoOutcome::Skipped;
                        s.reason = GoneOrChanged(StampOf(r.oldPath));
                    }
                    break;
                }
                }
                if (held && s.outcome == UndoOutcome::Skipped)
                    held->notDone(i, s.reason);
            }
            steps.push_back(std::move(s));
        }
        if (!dryRun) {
            RunSteps(steps, held.get(), trash, true);
            held->finish(BatchState::Done);
        }
        for (const Step& s : steps)
            report.rows.push_back(ReportOf(s, rows[s.original]));
        Count(report);
    } catch (const JournalError& e) {
        report.error = e.what();
    }
    return report;
}

} // namespace kivo
