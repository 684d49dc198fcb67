#pragma once
// The rows of the rename dialog and what its buttons do with them, without any widget:
// the dialog binds to it, tests and batch tools drive it directly.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QtGlobal>

#include "core/journal.h"
#include "photoops/rename_batch.h"

namespace kivo {

inline constexpr std::string_view kRenameStatusOk = QT_TRANSLATE_NOOP("kivo::TFZmenaJ", "OK");
inline constexpr std::string_view kRenameStatusFailed =
    QT_TRANSLATE_NOOP("kivo::TFZmenaJ", "chyba");
inline constexpr std::string_view kRenameStatusUnchanged =
    QT_TRANSLATE_NOOP("kivo::TFZmenaJ", "beze změny");

struct RenameRow {
    std::string dateTimeText; // modification time as date-time text (column "datum a čas")
    std::string currentName;  // "název-stávající"
    std::string newName;      // "název-úprava", empty until NastavNazev
    std::string status;       // "stav": empty, "OK", "chyba" or "beze změny"
    RenameState state = RenameState::Pending;
    std::string reason;   // why the row failed, or would fail
    std::string tempName; // where the file waits between the two phases
    // Files renamed with this one (photo_group.h): its sidecars and its RAW or JPEG twin,
    // each to the new stem with its own ending; the row fails when any of them would.
    std::vector<std::string> companions;
};

class RenameTable {
public:
    // `folder` is the folder of the listed files (absolute; a trailing "/" is added).
    // Any other text, such as the "Drives" pseudo-folder, lists nothing.
    explicit RenameTable(std::string folder);

    const std::string& folder() const { return folder_; }
    const std::vector<RenameRow>& rows() const { return rows_; }
    bool empty() const { return rows_.empty(); }

    // Filling: one row per name that is an existing file (not a folder) in the folder, with
    // its modification time (two-second resolution) as date-time text. Bare names only;
    // a name with "/" or the entries "." and ".." are never listed. Fill also groups each
    // photo with its companions: a listed companion (the RAW twin of a listed JPEG, a
    // listed sidecar) leaves the rows and follows its photo.
    bool AddFile(const std::string& name);
    void Fill(const std::vector<std::string>& namesInListOrder);
    // Fill in three steps, for a reader on another thread: the row of one name (nothing
    // for a name AddFile would skip; reads only the folder, so copies may run side by
    // side), the rows in the order of the names, then the grouping of the companions.
    std::optional<RenameRow> ReadFile(const std::string& name) const;
    void AddRow(RenameRow row) { rows_.push_back(std::move(row)); }
    void GroupFilledRows() { GroupCompanions(); }

    // Ascending by date-time text; rows with equal texts keep their filling order.
    void SeradDleDC();

    // New name of every row after format `formatIndex` (see naming.h). Formats 0 to 3
    // re-read each file's modification time; a file that has gone keeps an empty new name
    // and does not count for the day counter. Index -1 (or anything unknown) sets no names.
    void NastavNazev(int formatIndex);

    // Every check of the renames, nothing renamed (a dry run): a row that would fail gets
    // its reason, a row whose new name is its current name is unchanged. Returns the number
    // of rows that would fail.
    int Check();

    // Renames every row, never replacing an existing file, and marks it "OK", "chyba" (with
    // its reason) or "beze změny" (new name = current name). Chains and swaps among the rows
    // work; the rows that pass the checks are renamed all or none. Runs once per table:
    // returns the number of failed rows, or nullopt when it has already run.
    std::optional<int> Proved();
    // Proved() in its two phases: the checks and every row to its temporary name (false
    // when the table has already run), then every row to its new name.
    bool BeginRenames();
    int FinishRenames();

    // The journal the renames are written to (each run one batch of `kind`); none by default.
    void setJournal(Journal* journal, BatchKind kind = BatchKind::Rename) {
        journal_ = journal;
        journalKind_ = kind;
    }
    // Why the renames ran without a journal, when its batch could not be written.
    const std::string& journalError() const { return journalError_; }

    bool performed() const { return performed_; }
    // At least one file got its new name.
    bool changed() const { return changed_; }

    std::string pathOf(const std::string& name) const { return folder_ + name; }

private:
    RenameBatch MakeBatch() const;
    void GroupCompanions();
    void TakeResults(const RenameBatch& batch);
    void BeginJournal();
    void FinishJournal();

    std::string folder_;
    std::vector<RenameRow> rows_;
    std::optional<RenameBatch> batch_;
    Journal* journal_ = nullptr;
    BatchKind journalKind_ = BatchKind::Rename;
    std::unique_ptr<JournalBatch> journalBatch_;
    std::vector<std::size_t> journalRowOf_; // row of the journal batch per item, or npos
    std::string journalError_;
    bool performed_ = false;
    bool changed_ = false;
};

} // namespace kivo
