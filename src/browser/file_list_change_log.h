#pragma once
// What the file list tells whoever keeps a record of its changes (the main window's undo
// journal): an operation's entries before the first is touched, and its end, after which
// the record looks at the entries to see which changes happened. Without a record the
// list works just the same.

#include <cstddef>
#include <string>
#include <vector>

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
    // delete as it goes.
    virtual void Done(std::size_t change) { (void)change; }
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

private:
    FileListChangeLog* log_;
};

} // namespace kivo
