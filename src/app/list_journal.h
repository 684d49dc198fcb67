#pragma once
// The file list's new folders, renames, deletions and pastes as batches of the undo
// journal: the intent in one transaction before the operation, the marks in one after it
// (and the places the Trash gave its entries in one more). A new folder and a rename are
// written on the GUI thread, where the list makes them; a delete, a paste and a drop are
// planned and written on their operation's thread (Started, Done, Finished), since they
// look up the Trash or walk folders, and the window hears of them at the end, back on the
// GUI thread. A
// journal that fails leaves the operation to run without it, and says so.

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
    void Started() override;
    void Finished() override;
    void End() override;
    // A delete writes the places of its entries in the Trash every so many entries, so
    // that a run killed midway can still be undone.
    static constexpr std::size_t kPlacesAtOnce = 256;
    // Why the last batch was not written ("" when it was).
    const std::string& error() const { return error_; }

private:
    // False when the batch's intent could not be written (error_ says why).
    bool Write(Journal* journal, const std::string& folder, const std::vector<ListChange>& changes);
    void Mark();

    std::function<Journal*()> journal_;
    std::function<void()> changed_;
    std::function<void(const std::string&)> failed_;
    std::unique_ptr<JournalBatch> batch_;
    ListChangeKind kind_ = ListChangeKind::NewFolder;
    std::vector<bool> placed_;       // rows whose place in the Trash is written
    std::vector<std::size_t> ready_; // trashed, their places not yet written
    int depth_ = 0; // an operation started while one runs is not journaled on its own
    std::string error_;
    // A delete, paste or drop waiting for its operation to start: the journal and what Begin got.
    Journal* waiting_ = nullptr;
    std::string folder_;
    std::vector<ListChange> changes_;
    bool unwritten_ = false; // its intent failed on the operation's thread
    bool marked_ = false;    // a batch was finished, to be told at the end
};

} // namespace kivo
