#pragma once
// The undo journal: every change Kivomat makes to files, kept on disk so that a batch can
// be undone after its dialog has closed, and finished or rolled back after a crash.
//
// One batch per user action, one row per file operation. A job writes its rows as intent
// (one transaction, synced to disk) before it touches the first file, and marks each row
// done after its operation. Undo and resume (journal_undo.h) look at the file system, not
// only at the marks, so a mark lost in a crash costs nothing.
//
//   JournalBatch batch(journal, BatchKind::Rename, folder, rows);   // intent on disk
//   ... rename row i ...; batch.done(i, StampOf(newPath));
//   batch.finish();                                                 // a batch that did
//                                                                   // nothing is dropped
//
// Paths are bytes, stored as BLOBs. SQLite in WAL mode; intent transactions with
// synchronous=FULL, the done marks (which recovery does not rely on) with NORMAL.
// A running batch holds an flock on a lock file of its own: a batch marked running whose
// lock is free was interrupted.
//
// A new kind of batch is one enumerator of BatchKind and its key in kBatchKinds.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/patched_copy.h"

struct sqlite3;
struct stat;

namespace kivo {

class JournalError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class BatchKind {
    Rename,        // rename dialog
    SetTime,       // EXIF date dialog and its adjustment
    Gather,        // gathering images from a folder tree
    Move,          // paste or drop in the file list
    Trash,         // delete to the Trash
    NewFolder,     // a new folder
    RenameInPlace, // in-place rename in the file list
    Undo,          // an undo (undoing it redoes the batch it undid)
    ExifDate,      // EXIF date-time stamps rewritten in the photos
    Copy,          // paste after copy in the file list
};

struct BatchKindInfo {
    BatchKind kind;
    std::string_view key; // stored in the journal, shown by kivo-tidy
};
inline constexpr BatchKindInfo kBatchKinds[] = {
    {BatchKind::Rename, "rename"},
    {BatchKind::SetTime, "settime"},
    {BatchKind::Gather, "gather"},
    {BatchKind::Move, "move"},
    {BatchKind::Trash, "trash"},
    {BatchKind::NewFolder, "newfolder"},
    {BatchKind::RenameInPlace, "renameinplace"},
    {BatchKind::Undo, "undo"},
    {BatchKind::ExifDate, "exifdate"},
    {BatchKind::Copy, "copy"},
};
std::string_view BatchKindKey(BatchKind kind);
std::optional<BatchKind> BatchKindOfKey(std::string_view key);

enum class BatchState {
    Running, // being written, or interrupted when its lock is free
    Done,
    Undone, // undone (also when some of its rows were skipped)
};
std::string_view BatchStateKey(BatchState state);

// What one row did.
enum class RowOp {
    Move,      // oldPath -> newPath (rename or move), through tempPath when it has one
    SetTime,   // oldPath's mtime from before.mtimeNs to newMtimeNs
    MakeDir,   // created newPath
    RemoveDir, // removed oldPath (an emptied folder)
    Trash,     // oldPath -> newPath in a Trash's files/; aux is its .trashinfo
    Untrash,   // oldPath in files/ -> newPath; aux is the .trashinfo, removed afterwards
    Patch,     // oldPath rewritten with the byte patches in auxData (EncodePatches); its
               // mtime becomes newMtimeNs, or the time of the rewrite when that is 0
    Copy,      // newPath created as a copy of oldPath (a folder made empty: its entries are
               // rows of their own); undo puts it in the Trash, never deletes it
};

enum class RowState {
    Intent,  // written before the operation; may or may not have happened
    Done,    // the operation happened
    NotDone, // it failed or was not needed: the file was not touched
    Undone,
    Skipped, // undo left it as it is; reason says why
};

// What identifies a file at one moment: lstat's view of it.
struct FileStamp {
    bool exists = false;
    bool isDir = false;
    std::uint64_t dev = 0;
    std::uint64_t ino = 0;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0; // nanoseconds since the epoch
};
FileStamp StampOf(const std::string& path);
// The stamp of what lstat (or fstatat without following links) gave.
FileStamp StampOfStat(const struct ::stat& st);

// The byte patches of a Patch row as stored in its auxData, and back (nullopt for bytes
// that are no such list).
std::string EncodePatches(std::span<const BytePatch> patches);
std::optional<std::vector<BytePatch>> DecodePatches(std::string_view data);

struct JournalRow {
    RowOp op = RowOp::Move;
    std::string oldPath;
    std::string newPath;
    std::string tempPath;        // a rename's temporary name between its two phases
    std::string aux;             // .trashinfo path of a Trash row
    std::string auxData;         // its contents, so that a redo can write it again
    FileStamp before;            // at oldPath, when the intent was written
    std::int64_t newMtimeNs = 0; // SetTime: the time written
    FileStamp after;             // at the new place, once done
    RowState state = RowState::Intent;
    std::string reason;
};

struct BatchInfo {
    std::int64_t id = 0;
    BatchKind kind = BatchKind::Rename;
    std::int64_t started = 0; // Unix time
    std::string folder;
    BatchState state = BatchState::Running;
    std::int64_t undoOf = 0; // an Undo batch: the batch it undid
    long pid = 0;
    std::size_t rowCount = 0;  // rows of the batch
    std::size_t doneCount = 0; // rows done (or undone since)
    bool interrupted = false;  // running, and no process holds its lock
};

// How long batches are kept: the newer of the two limits wins.
struct Retention {
    int days = 90;
    int batches = 1000;
};
// Section and keys of the settings file that override Retention's defaults.
inline constexpr const char* kJournalSection = "Historie";
inline constexpr const char* kJournalDaysKey = "dny";
inline constexpr const char* kJournalBatchesKey = "davek";
Retention ReadRetention(const std::string& settingsPath);

class Journal {
public:
    // Opens (creating when missing) the journal in `folder`; throws JournalError.
    explicit Journal(const std::string& folder);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // $XDG_STATE_HOME/kivomat, or ~/.local/state/kivomat.
    static std::string DefaultFolder();
    // The journal in DefaultFolder(), pruned after `settingsPath`'s retention; nullptr with
    // `error` set when it cannot be opened (the jobs then run without a journal).
    static std::unique_ptr<Journal> OpenDefault(const std::string& settingsPath,
                                                std::string* error = nullptr);

    const std::string& folder() const { return folder_; }

    // Newest first; at most `limit` batches.
    std::vector<BatchInfo> History(std::size_t limit = 1000);
    std::optional<BatchInfo> Batch(std::int64_t id);
    std::vector<JournalRow> Rows(std::int64_t id);
    // Running batches whose process is gone, newest first.
    std::vector<BatchInfo> Interrupted();
    // The newest batch that can be undone: done, and no undo itself.
    std::optional<BatchInfo> LastUndoable();

    void SetBatchState(std::int64_t id, BatchState state);
    struct RowMark {
        std::size_t seq;
        RowState state;
        std::string reason;
        FileStamp after = {}; // when it exists: what the row's new place holds now
    };
    // Marks rows of a finished batch (what an undo did with them), in one transaction.
    void MarkRows(std::int64_t id, const std::vector<RowMark>& marks);
    // Removes finished batches beyond both limits; running ones always stay.
    std::size_t Prune(const Retention& retention, std::int64_t now);

private:
    friend class JournalBatch;
    void exec(const char* sql);
    std::string lockPath(std::int64_t id) const;

    std::string folder_;
    sqlite3* db_ = nullptr;
};

// One batch being written. Its marks are buffered and written at most every few hundred
// rows; finish() (or the destructor) writes the rest and closes the batch.
class JournalBatch {
public:
    // Writes the batch and its intent rows; throws JournalError.
    JournalBatch(Journal& journal, BatchKind kind, std::string folder, std::vector<JournalRow> rows,
                 std::int64_t undoOf = 0);
    // Takes over an interrupted batch (to resume or roll it back); throws JournalError
    // when it is not interrupted.
    JournalBatch(Journal& journal, std::int64_t id);
    ~JournalBatch();
    JournalBatch(const JournalBatch&) = delete;
    JournalBatch& operator=(const JournalBatch&) = delete;

    std::int64_t id() const { return id_; }
    const std::vector<JournalRow>& rows() const { return rows_; }

    void done(std::size_t row, const FileStamp& after);
    // Done, at a new place that was only known once it was done (the name a Trash gave
    // an entry); the place is written at once, not buffered with the marks.
    void doneAt(std::size_t row, const FileStamp& after, std::string newPath, std::string aux,
                std::string auxData);
    // Several rows done at their new places, written in one transaction.
    struct Placed {
        std::size_t row = 0;
        FileStamp after;
        std::string newPath;
        std::string aux;
        std::string auxData;
    };
    void doneAt(std::vector<Placed> placed);
    void notDone(std::size_t row, std::string reason);
    void mark(std::size_t row, RowState state, std::string reason = {});

    // Writes the marks; a batch in which no row was done disappears. `state` is what the
    // batch becomes (Done). Errors are kept, not thrown: see error().
    void finish(BatchState state = BatchState::Done);
    const std::string& error() const { return error_; }

private:
    void lock();
    void flush();

    Journal& journal_;
    std::int64_t id_ = 0;
    std::vector<JournalRow> rows_;
    std::vector<std::size_t> pending_;
    bool ownsIntent_ = false;  // this object wrote the intent, so it knows every row's mark
    std::vector<bool> marked_; // a mark of the row is in the journal
    int lockFd_ = -1;
    bool finished_ = false;
    std::string error_;
};

// A batch when there is a journal and its intent could be written; the job runs on
// without a journal otherwise, `error` saying why.
std::unique_ptr<JournalBatch> BeginBatch(Journal* journal, BatchKind kind,
                                         const std::string& folder, std::vector<JournalRow> rows,
                                         std::string* error = nullptr);

} // namespace kivo
