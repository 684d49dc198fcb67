#include "photoops/rename_table.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <utility>

#include <unistd.h>

#include "exif/container_kind.h"
#include "photoops/naming.h"
#include "photoops/photo_group.h"
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
    std::optional<RenameRow> row = ReadFile(name);
    if (!row)
        return false;
    rows_.push_back(std::move(*row));
    return true;
}

std::optional<RenameRow> RenameTable::ReadFile(const std::string& name) const {
    if (folder_.empty() || !IsBareName(name))
        return std::nullopt;
    const std::string path = pathOf(name);
    if (!FileExists(path))
        return std::nullopt;
    const std::optional<TDateTime> age = FileAge(path);
    if (!age)
        return std::nullopt;
    return RenameRow{DateTimeText(*age), name, {}, {}, RenameState::Pending, {}, {}, {}};
}

void RenameTable::Fill(const std::vector<std::string>& namesInListOrder) {
    SetFixedDateTimeFormats();
    for (const std::string& name : namesInListOrder)
        AddFile(name);
    GroupCompanions();
}

void RenameTable::GroupCompanions() {
    if (rows_.empty())
        return;
    std::vector<std::string> names;
    for (const DirEntry& e : EnumerateFolder(folder_, "*"))
        if (!e.isDir() && e.name != "." && e.name != "..")
            names.push_back(e.name);
    std::sort(names.begin(), names.end());
    const CompanionIndex index(names);
    // The rows by name, to find those a group takes in.
    std::vector<std::pair<std::string_view, std::size_t>> rowsByName;
    rowsByName.reserve(rows_.size());
    for (std::size_t j = 0; j < rows_.size(); ++j)
        rowsByName.emplace_back(rows_[j].currentName, j);
    std::sort(rowsByName.begin(), rowsByName.end());
    // JPEG and HEIF photos lead their group before RAW files do; a file already in a group
    // is no leader.
    std::vector<bool> absorbed(rows_.size(), false);
    std::unordered_set<std::string> taken;
    for (const bool rawPass : {false, true}) {
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            RenameRow& row = rows_[i];
            if (absorbed[i] || IsRawName(row.currentName) != rawPass ||
                !IsPhotoName(row.currentName) || taken.contains(row.currentName))
                continue;
            for (std::string& c : index.of(row.currentName))
                if (taken.insert(c).second)
                    row.companions.push_back(std::move(c));
            taken.insert(row.currentName);
            for (const std::string& c : row.companions) {
                auto at = std::lower_bound(rowsByName.begin(), rowsByName.end(),
                                           std::make_pair(std::string_view(c), std::size_t{0}));
                for (; at != rowsByName.end() && at->first == c; ++at)
                    if (at->second != i)
                        absorbed[at->second] = true;
            }
        }
    }
    std::vector<RenameRow> kept;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (!absorbed[i])
            kept.push_back(std::move(rows_[i]));
    rows_ = std::move(kept);
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
    int group = 0;
    for (const RenameRow& row : rows_) {
        const int g = row.companions.empty() ? -1 : group++;
        items.push_back(RenameItem{row.currentName, row.newName, {}, RenameState::Pending, {}, g});
        // A companion gets no name while its photo has none: the group fails as one.
        for (const std::string& c : row.companions)
            items.push_back(RenameItem{c,
                                       row.newName.empty()
                                           ? std::string()
                                           : CompanionNewName(row.currentName, c, row.newName),
                                       {},
                                       RenameState::Pending,
                                       {},
                                       g});
    }
    return RenameBatch(folder_, std::move(items), static_cast<long>(::getpid()));
}

void RenameTable::TakeResults(const RenameBatch& batch) {
    // Each row's item comes first, its companions' items right after it.
    const std::vector<RenameItem>& items = batch.items();
    std::size_t k = 0;
    for (std::size_t i = 0; i < rows_.size() && k < items.size(); ++i) {
        rows_[i].state = items[k].state;
        rows_[i].reason = items[k].reason;
        rows_[i].tempName = items[k].tempName;
        k += 1 + rows_[i].companions.size();
    }
}

int RenameTable::Check() {
    RenameBatch batch = MakeBatch();
    batch.Check();
    TakeResults(batch);
    // Rows, not files: a group counts once.
    return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const RenameRow& r) {
        return r.state == RenameState::Failed;
    }));
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
    batch_.reset();
    int failures = 0;
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
            ++failures;
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
    rows.reserve(batch_->items().size());
    const std::string tempPrefix = pathOf(RenameTempName(static_cast<long>(::getpid()), {}));
    for (std::size_t i = 0; i < batch_->items().size(); ++i) {
        const RenameItem& item = batch_->items()[i];
        if (item.state != RenameState::Pending)
            continue;
        JournalRow& row = rows.emplace_back();
        row.op = RowOp::Move;
        row.oldPath = pathOf(item.oldName);
        row.newPath = pathOf(item.newName);
        row.tempPath.reserve(tempPrefix.size() + item.oldName.size());
        row.tempPath.append(tempPrefix).append(item.oldName);
        // The checks have just looked at every file; a second look would see the same.
        row.before = item.stamp;
        journalRowOf_[i] = rows.size() - 1;
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
        // A rename within the folder keeps the file itself, so its stamp at the new name is
        // the one it had: no second look at every file.
        if (item.state == RenameState::Renamed)
            journalBatch_->done(row, journalBatch_->rows()[row].before);
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
