#pragma once
// The file operations behind ShellFileOperation without any widget: copy, move and rename
// through the file system, delete to the freedesktop Trash. Every question (replace?,
// move to the Trash?, what after an error?) is asked through FileOperationQuestions, so
// the job decides the order of work and the dialogs only collect answers.

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace kivo {

// The shell's function codes.
enum class ShellFunc : int {
    Move = 1,
    Copy = 2,
    Delete = 3,
    Rename = 4,
};

enum class ReplaceChoice { Replace, Skip, Cancel };

struct ReplaceAnswer {
    ReplaceChoice choice = ReplaceChoice::Cancel;
    bool forAll = false; // use the same answer for every later clash of the same kind
};

// An entry already stands where the source should go.
struct ReplaceQuestion {
    std::string source;
    std::string target;
    bool sourceIsDir = false;
    bool targetIsDir = false; // both folders: "replace" means merging their contents
    std::uint64_t sourceSize = 0;
    std::uint64_t targetSize = 0;
    std::time_t sourceTime = 0;
    std::time_t targetTime = 0;
    bool moreToCome = false; // "for all" is worth offering
};

enum class ErrorChoice { Skip, Cancel };

class FileOperationQuestions {
public:
    virtual ~FileOperationQuestions() = default;
    virtual ReplaceAnswer AskReplace(const ReplaceQuestion& question) = 0;
    // Whether the entries may go to the Trash.
    virtual bool ConfirmTrash(const std::vector<std::string>& paths) = 0;
    // One entry failed; `moreToCome` says whether there is work left to continue with.
    virtual ErrorChoice ReportError(const std::string& message, bool moreToCome) = 0;
    // Called between steps and while copying; false means the user cancelled the run.
    virtual bool Progress(std::uint64_t done, std::uint64_t total, const std::string& current) = 0;
};

struct FileOperationResult {
    int done = 0;    // top-level entries finished
    int skipped = 0; // entries (at any depth) the user chose to skip
    int failed = 0;  // entries (at any depth) that failed
    bool cancelled = false;
    // The shell's notion of success: no failure and nothing aborted.
    bool ok() const { return failed == 0 && skipped == 0 && !cancelled; }
};

struct FileOperationOptions {
    // A move or copy that replaces a file first puts the old one in the Trash (where an
    // undo finds it) instead of overwriting it.
    bool trashReplaced = false;
    // Told the index of each source a delete has put in the Trash, as it goes (on the
    // thread the job runs on).
    std::function<void(std::size_t source)> trashed;
    // Called on the job's thread: `started` before the first entry is touched (a delete's
    // after its confirmation), `finished` after the last once `started` was called. A
    // record of the run that has to walk its folders does so here, off the GUI thread.
    std::function<void()> started;
    std::function<void()> finished;
};

class FileOperationJob {
public:
    // Sources and targets pair up one to one; one target for several sources names the
    // folder they all go into. Delete takes no targets.
    FileOperationJob(ShellFunc func, std::vector<std::string> sources,
                     std::vector<std::string> targets, FileOperationQuestions& questions,
                     FileOperationOptions options = {});

    FileOperationResult Run();

    // "a.jpg" -> "a - Copy.jpg", then "a - Copy (2).jpg", ...: the first free name in
    // the folder, for a copy of an entry onto itself.
    static std::string FreeCopyName(const std::string& path);

private:
    enum class Status { Done, Skipped, Failed, Cancelled };

    FileOperationResult RunEntries();
    void Start();

    Status Transfer(const std::string& src, const std::string& dst, bool move);
    Status TransferChildren(const std::string& srcDir, const std::string& dstDir, bool move);
    Status CopyNew(const std::string& src, const std::string& dst);
    Status CopyFileContents(const std::string& src, const std::string& dst, bool replace);
    // Progress of one file's copy: advances the bytes done and lets the user cancel.
    CopyProgress CopyProgressFor(const std::string& src, std::uint64_t& reported);
    // Done, cancelled, or the failure reported with the side that failed.
    Status Finish(const FsResult& r, const char* verb, const std::string& src,
                  const std::string& dst);
    Status Replace(const std::string& src, const std::string& dst, bool move);
    Status TrashOne(const std::string& path);
    Status RenameOne(const std::string& src, const std::string& dst);
    Status Fail(const std::string& message);
    bool Tick(const std::string& current);
    void Advance(std::uint64_t amount);
    std::uint64_t Weigh(const std::string& path) const;

    ShellFunc func_;
    std::vector<std::string> sources_;
    std::vector<std::string> targets_;
    FileOperationQuestions& questions_;
    FileOperationOptions options_;
    FileOperationResult result_;
    bool moreToCome_ = false;
    bool started_ = false;
    int depth_ = 0; // inside a folder being copied or moved
    // Remembered "for all" answers: one for file clashes, one for folder merges.
    bool haveFileAnswer_ = false;
    ReplaceChoice fileAnswer_ = ReplaceChoice::Skip;
    bool haveDirAnswer_ = false;
    ReplaceChoice dirAnswer_ = ReplaceChoice::Skip;
    std::uint64_t done_ = 0;
    std::uint64_t total_ = 0;
};

// The message of a failed step: "Cannot copy "a.jpg": Permission denied".
std::string FileOperationMessage(const std::string& what, const std::string& path,
                                 const std::string& reason);

} // namespace kivo
