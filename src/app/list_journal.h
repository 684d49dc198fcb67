#pragma once
// The file list's new folders, renames, deletions and pastes as batches of the undo
// journal. The list makes them on the GUI thread, so the journal is written there too: the
// intent in one transaction before the operation, the marks in one after it (and the
// places the Trash gave its entries in one more). A journal that fails leaves the
// operation to run without it, and says so.

#include <functional>
#include <memory>
#include <string>
#include <vector>

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
    void Done(std::size_t change) override;
    void End() override;
    // A delete writes the places of its entries in the Trash every so many entries, so
    // that a run killed midway can still be undone.
    static constexpr std::size_t kPlacesAtOnce = 256;
    // Why the last batch was not written ("" when it was).
    const std::string& error() const { return error_; }

private:
    std::function<Journal*()> journal_;
    std::function<void()> changed_;
    std::function<void(const std::string&)> failed_;
    std::unique_ptr<JournalBatch> batch_;
    ListChangeKind kind_ = ListChangeKind::NewFolder;
    std::vector<bool> placed_;       // rows whose place in the Trash is written
    std::vector<std::size_t> ready_; // trashed, their places not yet written
    int depth_ = 0; // an operation started while one runs is not journaled on its own
    std::string error_;
};

} // namespace kivo
