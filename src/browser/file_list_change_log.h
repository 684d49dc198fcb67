#pragma once
// What the file list tells whoever keeps a record of its changes (the main window's undo
// journal): an operation's entries before the first is touched, and its end, after which
// the record looks at the entries to see which changes happened. Without a record the
// list works just the same.
//
// A delete looks up the Trash and a paste or a drop may walk large folders: the record
// does that, and writes what it found, on the file operation's thread, told by the
// operation through the options the scope hooks up (Started before its first entry, Done
// as a delete goes, Finished after its last).

#include <cstddef>
#include <string>
#include <vector>

#include "platform/gui/file_operation.h"

namespace kivo {

// Move: entries to new places (paste after cut, drop), where a replaced entry goes to the
// Trash first and folders onto folders merge. Copy: the same for a paste after copy, the
// sources staying.
enum class ListChangeKind { NewFolder, Rename, Trash, Move, Copy };

// One entry's change; paths are bytes.
struct ListChange {
    std::string from; // empty for a new folder
    std::string to;   // empty for the Trash, which names the entry itself
};

class FileListChangeLog {
public:
    virtual void Begin(ListChangeKind kind, const std::string& folder,
                       const std::vector<ListChange>& changes) = 0;
    // Change `change` (an index into Begin's list) is done, before the end; told by a
    // delete as it goes, on its thread.
    virtual void Done(std::size_t change) { (void)change; }
    // On the operation's thread, before it touches the first entry and after the last.
    virtual void Started() {}
    virtual void Finished() {}
    virtual void End() = 0;

protected:
    ~FileListChangeLog() = default;
};

// Begin on construction, End when it goes out of scope; nothing without a log.
class ListChangeScope {
public:
    ListChangeScope(FileListChangeLog* log, ListChangeKind kind, const std::string& folder,
                    const std::vector<ListChange>& changes)
        : log_(log) {
        if (log_)
            log_->Begin(kind, folder, changes);
    }
    ~ListChangeScope() {
        if (log_)
            log_->End();
    }
    ListChangeScope(const ListChangeScope&) = delete;
    ListChangeScope& operator=(const ListChangeScope&) = delete;

    // The operation run inside the scope tells the log when it starts and finishes.
    FileOperationOptions Hooked(FileOperationOptions options) const {
        if (log_) {
            options.started = [log = log_] { log->Started(); };
            options.finished = [log = log_] { log->Finished(); };
        }
        return options;
    }

private:
    FileListChangeLog* log_;
};

} // namespace kivo
