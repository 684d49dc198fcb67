#pragma once
// The file list's new folders, renames and deletions as batches of the undo journal. The
// list makes them on the GUI thread, so the journal is written there too: the intent in
// one transaction before the operation, the marks in one after it (and the places the
// Trash gave its entries in one more). A journal that fails leaves the operation to run
// without it, and says so.

#include <functional>
#include <memory>
#include <string>

#include "browser/file_list_change_log.h"
#include "core/journal.h"

namespace kivo {

class ListJournal final : public FileListChangeLog {
public:
    // `journal` gives the journal of the moment (nullptr: none); `changed` is called after
    // a batch was written; `failed` when an operation ran without one, with the reason
    // ("" when there was no journal to write).
    ListJournal(std::function<Journal*()> journal, std::function<void()> changed,
                std::function<void(const std::string&)> failed = {});
    ~ListJournal();
    ListJournal(const ListJournal&) = delete;
    ListJournal& operator=(const ListJournal&) = delete;

    void Begin(ListChangeKind kind, const std::string& folder,
               const std::vector<ListChange>& changes) override;
    void End() override;
    // Why the last batch was not written ("" when it was).
    const std::string& error() const { return error_; }

private:
    std::function<Journal*()> journal_;
    std::function<void()> changed_;
    std::function<void(const std::string&)> failed_;
    std::unique_ptr<JournalBatch> batch_;
    int depth_ = 0; // an operation started while one runs is not journaled on its own
    std::string error_;
};

} // namespace kivo
