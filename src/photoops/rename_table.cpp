#include "photoops/rename_table.h"

#include <algorithm>
#include <utility>

#include <unistd.h>

#include "photoops/naming.h"
#include "platform/datetime.h"
#include "platform/file_system.h"

namespace kivo {

namespace {

bool IsBareName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

} // namespace

RenameTable::RenameTable(std::string folder) {
    if (!folder.empty() && folder.front() == '/')
        folder_ = IncludeTrailingSlash(folder);
}

bool RenameTable::AddFile(const std::string& name) {
    if (folder_.empty() || !IsBareName(name))
        return false;
    const std::string path = pathOf(name);
    if (!FileExists(path))
        return false;
    const std::optional<TDateTime> age = FileAge(path);
    if (!age)
        return false;
    rows_.push_back(RenameRow{DateTimeText(*age), name, {}, {}, RenameState::Pending, {}, {}});
    return true;
}

void RenameTable::Fill(const std::vector<std::string>& namesInListOrder) {
    SetFixedDateTimeFormats();
    for (const std::string& name : namesInListOrder)
        AddFile(name);
}

void RenameTable::SeradDleDC() {
    // Fixed-width texts: byte order is time order, and a date alone (midnight) sorts
    // before the rest of its day.
    std::stable_sort(rows_.begin(), rows_.end(), [](const RenameRow& a, const RenameRow& b) {
        return a.dateTimeText < b.dateTimeText;
    });
}

void RenameTable::NastavNazev(int formatIndex) {
    const int width = FormatNumberWidth(formatIndex);
    int previousKey = 0;
    int counter = 0;
    int position = 0;
    for (RenameRow& row : rows_) {
        ++position;
        const std::string extension = NameExtension(row.currentName);
        if (IsRunningNumberFormat(formatIndex)) {
            row.newName = RunningNumberName(position, width, extension);
            continue;
        }
        if (formatIndex != kFormatDateTime && !IsDayCounterFormat(formatIndex))
            continue;

        const std::optional<TDateTime> age = FileAge(pathOf(row.currentName));
        if (!age) {
            row.newName.clear();
            continue;
        }
        if (formatIndex == kFormatDateTime) {
            row.newName = DateTimeName(*age, extension);
            continue;
        }
        int year = 0;
        int month = 0;
        int day = 0;
        DecodeDate(*age, year, month, day);
        const int key = year * 10000 + month * 100 + day;
        if (key == previousKey) {
            ++counter;
        } else {
            counter = 0;
            previousKey = key;
        }
        row.newName = DayCounterName(year, month, day, counter + 1, width, extension);
    }
}

RenameBatch RenameTable::MakeBatch() const {
    std::vector<RenameItem> items;
    items.reserve(rows_.size());
    for (const RenameRow& row : rows_)
        items.push_back(RenameItem{row.currentName, row.newName, {}, RenameState::Pending, {}});
    return RenameBatch(folder_, std::move(items), static_cast<long>(::getpid()));
}

void RenameTable::TakeResults(const RenameBatch& batch) {
    const std::vector<RenameItem>& items = batch.items();
    for (std::size_t i = 0; i < rows_.size() && i < items.size(); ++i) {
        rows_[i].state = items[i].state;
        rows_[i].reason = items[i].reason;
        rows_[i].tempName = items[i].tempName;
    }
}

int RenameTable::Check() {
    RenameBatch batch = MakeBatch();
    const int failures = batch.Check();
    TakeResults(batch);
    return failures;
}

bool RenameTable::BeginRenames() {
    if (performed_)
        return false;
    performed_ = true;
    batch_.emplace(MakeBatch());
    batch_->Check();
    BeginJournal();
    batch_->MoveToTemporaryNames();
    TakeResults(*batch_);
    return true;
}

int RenameTable::FinishRenames() {
    if (!batch_)
        return 0;
    batch_->MoveToNewNames();
    TakeResults(*batch_);
    FinishJournal();
    const int failures = batch_->failures();
    batch_.reset();
    for (RenameRow& row : rows_) {
        switch (row.state) {
        case RenameState::Renamed:
            row.status = kRenameStatusOk;
            changed_ = true;
            break;
        case RenameState::Unchanged:
            row.status = kRenameStatusUnchanged;
            break;
        default:
            row.status = kRenameStatusFailed;
            break;
        }
    }
    return failures;
}

void RenameTable::BeginJournal() {
    journalBatch_.reset();
    journalRowOf_.assign(batch_->items().size(), std::string::npos);
    if (!journal_)
        return;
    // Intent before the first file moves, temporary names included.
    std::vector<JournalRow> rows;
    const long pid = static_cast<long>(::getpid());
    for (std::size_t i = 0; i < batch_->items().size(); ++i) {
        const RenameItem& item = batch_->items()[i];
        if (item.state != RenameState::Pending)
            continue;
        JournalRow row;
        row.op = RowOp::Move;
        row.oldPath = pathOf(item.oldName);
        row.newPath = pathOf(item.newName);
        row.tempPath = pathOf(RenameTempName(pid, item.oldName));
        row.before = StampOf(row.oldPath);
        journalRowOf_[i] = rows.size();
        rows.push_back(std::move(row));
    }
    journalBatch_ = BeginBatch(journal_, journalKind_, ExcludeTrailingSlash(folder_),
                               std::move(rows), &journalError_);
}

void RenameTable::FinishJournal() {
    if (!journalBatch_)
        return;
    for (std::size_t i = 0; i < batch_->items().size(); ++i) {
        const RenameItem& item = batch_->items()[i];
        const std::size_t row = journalRowOf_[i];
        if (row == std::string::npos)
            continue;
        if (item.state == RenameState::Renamed)
            journalBatch_->done(row, StampOf(pathOf(item.newName)));
        else
            journalBatch_->notDone(row, item.reason);
    }
    journalBatch_->finish();
    if (!journalBatch_->error().empty())
        journalError_ = journalBatch_->error();
    journalBatch_.reset();
}

std::optional<int> RenameTable::Proved() {
    if (!BeginRenames())
        return std::nullopt;
    return FinishRenames();
}

} // namespace kivo
