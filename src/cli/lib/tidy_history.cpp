// kivo-tidy history, undo and resume: the undo journal from the command line.

#include <charconv>
#include <optional>

#include "cli/lib/tidy.h"
#include "cli/lib/tidy_common.h"
#include "core/journal.h"
#include "core/journal_undo.h"
#include "platform/datetime.h"
#include "platform/gui/trash.h"

namespace kivo::tidy {

namespace {

constexpr const char* kHistoryHelp =
    "Usage: kivo-tidy history [--json]\n"
    "Lists the batches of the undo journal, newest first: every rename, change of file\n"
    "times, gathering and file operation of Kivomat and kivo-tidy, one batch per action.\n"
    "The journal lives in $XDG_STATE_HOME/kivomat (default ~/.local/state/kivomat) and keeps\n"
    "batches for 90 days or the last 1000, whichever keeps more (kivo.ini, section\n"
    "[Historie]: dny=DAYS, davek=COUNT).\n"
    "\n"
    "Columns: batch, time, kind, folder, rows (files changed), state (done, undone,\n"
    "running, interrupted), undo of (the batch an undo undid).\n"
    "  --json      the batches as JSON objects\n"
    "  -h, --help  this text\n";

constexpr const char* kUndoHelp =
    "Usage: kivo-tidy undo [BATCH] [--dry-run] [--json]\n"
    "Undoes the last batch that is done, or batch BATCH (see 'kivo-tidy history'): its rows\n"
    "in reverse order, each file back to its old name, folder or time. A file that changed,\n"
    "moved or vanished since, or whose old name is taken, is skipped with its reason; the\n"
    "others are still undone. Nothing is ever replaced. The undo is a batch of its own:\n"
    "undoing it redoes the batch. An interrupted batch is rolled back.\n"
    "\n"
    "  --dry-run   show what would be undone, change nothing\n"
    "  --json      the rows as JSON objects\n"
    "  -h, --help  this text\n"
    "Columns: path, from, result (undone, would undo, skipped, nothing to do), reason.\n"
    "Exit status: 0 every row undone, 1 a row was skipped or nothing could be undone,\n"
    "2 bad usage.\n";

constexpr const char* kResumeHelp =
    "Usage: kivo-tidy resume [BATCH] [--dry-run] [--json]\n"
    "Finishes a batch that was interrupted (the program was killed, the machine went\n"
    "down): every row that had not happened yet is done now, from wherever its file is.\n"
    "Without BATCH, the newest interrupted batch. 'kivo-tidy undo BATCH' rolls it back\n"
    "instead.\n"
    "\n"
    "  --dry-run   show what would be done, change nothing\n"
    "  --json      the rows as JSON objects\n"
    "  -h, --help  this text\n";

struct Options {
    std::optional<std::int64_t> batch;
    bool dryRun = false;
    bool json = false;
};

Options ReadOptions(const std::vector<std::string>& args, bool takesBatch, bool takesDryRun) {
    ArgReader reader(args);
    Options o;
    while (!reader.atEnd()) {
        if (!reader.nextIsOption()) {
            if (reader.atEnd())
                break;
            const std::string operand = reader.takeOperand();
            std::int64_t id = 0;
            const char* end = operand.data() + operand.size();
            const auto [ptr, ec] = std::from_chars(operand.data(), end, id);
            if (!takesBatch || o.batch || ec != std::errc() || ptr != end || id <= 0)
                throw UsageError(takesBatch && !o.batch
                                     ? "BATCH must be a batch number, not '" + operand + "'"
                                     : "too many arguments");
            o.batch = id;
            continue;
        }
        const std::string option = reader.takeOption();
        reader.noValue(option);
        if (option == "--json")
            o.json = true;
        else if (option == "--dry-run" && takesDryRun)
            o.dryRun = true;
        else
            throw UsageError("unknown option " + option);
    }
    return o;
}

Journal& RequireJournal() {
    Journal* journal = CurrentJournal();
    if (!journal)
        throw std::runtime_error("the undo journal cannot be opened");
    return *journal;
}

std::string StateText(const BatchInfo& b) {
    return b.interrupted ? "interrupted" : std::string(BatchStateKey(b.state));
}

int PrintReport(const char* command, const UndoReport& report, const Options& o, std::ostream& out,
                std::ostream& err) {
    if (!report.ok()) {
        err << "kivo-tidy " << command << ": " << report.error << "\n";
        return kExitFailed;
    }
    ResultTable table{{"path", "from", "result", "reason"}, {}};
    table.lastColumnOptional = true;
    for (const UndoRowReport& r : report.rows) {
        if (r.outcome == UndoOutcome::Nothing)
            continue;
        table.rows.push_back({r.path, r.from, std::string(UndoOutcomeKey(r.outcome)), r.reason});
        if (r.outcome == UndoOutcome::Skipped)
            err << "kivo-tidy " << command << ": skipped " << EscapeForLine(r.path) << ": "
                << r.reason << "\n";
    }
    if (o.json)
        PrintJson(table, out);
    else
        PrintText(table, out);
    const std::size_t total = report.undone + report.skipped;
    err << "kivo-tidy " << command << ": batch " << report.batch << ": "
        << (o.dryRun ? "would do " : "done ") << report.undone << " of " << total << " rows";
    if (report.undoBatch != 0)
        err << " (recorded as batch " << report.undoBatch << ")";
    err << "\n";
    return report.skipped > 0 || report.undone == 0 ? kExitFailed : kExitOk;
}

} // namespace

int RunHistory(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    (void)err;
    if (WantsHelp(args)) {
        out << kHistoryHelp;
        return kExitOk;
    }
    const Options o = ReadOptions(args, false, false);
    ResultTable table{{"batch", "time", "kind", "folder", "rows", "state", "undo of"}, {}};
    for (const BatchInfo& b : RequireJournal().History()) {
        table.rows.push_back(
            {std::to_string(b.id),
             DateTimeText(UnixToLocalDateTime(static_cast<std::time_t>(b.started))),
             std::string(BatchKindKey(b.kind)), b.folder, std::to_string(b.doneCount), StateText(b),
             b.undoOf ? std::to_string(b.undoOf) : std::string()});
    }
    if (o.json)
        PrintJson(table, out);
    else
        PrintText(table, out);
    return kExitOk;
}

int RunUndo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (WantsHelp(args)) {
        out << kUndoHelp;
        return kExitOk;
    }
    const Options o = ReadOptions(args, true, true);
    Journal& journal = RequireJournal();
    std::int64_t id = o.batch.value_or(0);
    if (!o.batch) {
        const std::optional<BatchInfo> last = journal.LastUndoable();
        if (!last) {
            err << "kivo-tidy undo: nothing to undo\n";
            return kExitFailed;
        }
        id = last->id;
    }
    return PrintReport("undo", UndoBatch(journal, id, o.dryRun, MoveToTrashAndFind), o, out, err);
}

int RunResume(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (WantsHelp(args)) {
        out << kResumeHelp;
        return kExitOk;
    }
    const Options o = ReadOptions(args, true, true);
    Journal& journal = RequireJournal();
    std::int64_t id = o.batch.value_or(0);
    if (!o.batch) {
        const std::vector<BatchInfo> interrupted = journal.Interrupted();
        if (interrupted.empty()) {
            err << "kivo-tidy resume: no interrupted batch\n";
            return kExitFailed;
        }
        id = interrupted.front().id;
    }
    return PrintReport("resume", ResumeBatch(journal, id, o.dryRun, MoveToTrashAndFind), o, out,
                       err);
}

} // namespace kivo::tidy
