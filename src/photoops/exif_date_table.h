#pragma once
// The rows of the EXIF date dialog and everything its buttons do to them. No widgets: the
// dialog binds a list view to this table, and the batch commands drive it directly.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "core/journal.h"
#include "photoops/adjust_settings.h"

namespace kivo {

// Tags of the EXIF columns, as the copy buttons carry them.
inline constexpr int kExifModify = 1;    // "EXIF změna", DateTime 0x0132
inline constexpr int kExifTaken = 2;     // "EXIF pořízení", DateTimeOriginal 0x9003
inline constexpr int kExifDigitized = 3; // "EXIF digitalizace", DateTimeDigitized 0x9004

// Start column of an adjustment.
inline constexpr int kStartCurrent = 0;  // "stávající"
inline constexpr int kStartNewValue = 1; // "úprava"

// One row; every value is held as date-time text, empty meaning no value.
struct ExifDateRow {
    std::string name;                // file name in the table's folder
    std::string current;             // "stávající": the file's modification time
    std::string newValue;            // "úprava": what will be written; empty = leave alone
    std::array<std::string, 3> exif; // the columns of kExifModify..kExifDigitized
    // The stamps that carry a time-zone offset, as the exact instant in this computer's
    // local time; empty for a stamp without one. UseOffsets swaps them with `exif`.
    std::array<std::string, 3> exifExact;
    // The XMP date of the file (its packet, else its sidecar) as date-time text, "" when it
    // has none; UseXmpFallback shows it in "EXIF pořízení" when that stamp is missing.
    std::string xmpTaken;
    bool xmpShown = false;
    bool selected = false;
    std::string reason; // why the last write (or its check) of "úprava" failed
};

class ExifDateTable {
public:
    explicit ExifDateTable(std::string folder = {});

    const std::string& folder() const { return folder_; }
    // Folder + name.
    std::string PathOf(const ExifDateRow& row) const;

    void AddRow(ExifDateRow row);
    // Room for `rows` rows in all, taken at once.
    void Reserve(std::size_t rows) { rows_.reserve(rows); }
    // The EXIF columns show each stamp at the exact instant its offset gives (on) or as
    // stored (off, the default). Stamps without an offset stay as stored either way.
    void UseOffsets(bool on);
    bool offsetsUsed() const { return offsetsUsed_; }
    // "EXIF pořízení" of rows without that stamp shows their XMP date (on) or stays empty
    // (off, the default).
    void UseXmpFallback(bool on);
    const std::vector<ExifDateRow>& rows() const { return rows_; }
    const ExifDateRow& row(std::size_t i) const { return rows_.at(i); }
    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }

    void SetSelected(std::size_t i, bool selected) { rows_.at(i).selected = selected; }
    // Row i takes the stamps and the current time of `fresh` (the same file read again
    // after its stamps were rewritten), shown with the offsets as the table shows them;
    // the XMP fallback is then applied again by the caller.
    void ReplaceStamps(std::size_t i, const ExifDateRow& fresh);
    bool HasSelection() const;

    // Raised by the first successful write; decides the dialog's result.
    bool changed() const { return changed_; }

    // "&označ vše": select every row.
    void SelectAll();
    // "označ vše &bez úpravy": select exactly the rows without a new value.
    void SelectWithoutValue();
    // The EXIF buttons: copy column `tag` (1..3) of each selected row into its new value
    // where that column is not empty, then StejnePryc.
    void CopyExif(int tag);
    // "vyber nejnižší": the lowest EXIF value of each selected row becomes its new value.
    // Empty columns and stamps that did not convert (date-time value 0) count as no value.
    // Then StejnePryc.
    void Earliest();
    // "neupravovat": clear the new value of every selected row.
    void ClearValues();
    // "stávající-změna" / "úprava-změna" after a confirmed adjustment: each selected row
    // whose start column is not empty gets the corrected start value (a correction with no
    // result leaves the row alone). Then StejnePryc.
    void Adjust(int startTag, const AdjustSettings& settings);
    // "odstraň": remove every selected row.
    void RemoveSelected();
    // "&odstraň ze seznamu": remove the first selected row; false when none is selected.
    bool RemoveFirstSelected();

    // Clears, in every row, a new value whose written time would equal the current value:
    // compared as the file keeps it, so 10:00:05 counts as the 10:00:04 it would become.
    void StejnePryc();
    // Re-reads every row's current modification time; a file that cannot be read gets an
    // empty text.
    void AktualizaceStavajici();

    struct WriteResult {
        int written = 0;
    };
    // Writes every non-empty new value to its file's modification time (two-second
    // resolution, years 1980-2099). A written row loses its new value, and leaves the table
    // unless keepRows. Rows that cannot be written keep their values and get the reason.
    // When at least one row was written and rows remain, the current times are re-read.
    // Every Write with a journal is one batch of `kind` in it.
    WriteResult Write(bool keepRows);
    void setJournal(Journal* journal, BatchKind kind = BatchKind::SetTime) {
        journal_ = journal;
        journalKind_ = kind;
    }
    Journal* journal() const { return journal_; }
    const std::string& journalError() const { return journalError_; }
    // The checks of Write without writing: every row with a new value gets the reason it
    // would fail, or none. Returns the number of rows that would fail.
    int CheckWrites();

private:
    std::string folder_;
    std::vector<ExifDateRow> rows_;
    bool offsetsUsed_ = false;
    bool changed_ = false;
    Journal* journal_ = nullptr;
    BatchKind journalKind_ = BatchKind::SetTime;
    std::string journalError_;
};

} // namespace kivo
