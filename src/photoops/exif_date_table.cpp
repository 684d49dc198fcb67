#include "photoops/exif_date_table.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "photoops/file_time.h"
#include "platform/file_system.h"

namespace kivo {

ExifDateTable::ExifDateTable(std::string folder) : folder_(std::move(folder)) {}

std::string ExifDateTable::PathOf(const ExifDateRow& row) const {
    return folder_.empty() ? row.name : IncludeTrailingSlash(folder_) + row.name;
}

void ExifDateTable::AddRow(ExifDateRow row) {
    if (offsetsUsed_)
        for (std::size_t i = 0; i < 3; ++i)
            if (!row.exifExact[i].empty())
                std::swap(row.exif[i], row.exifExact[i]);
    rows_.push_back(std::move(row));
}

void ExifDateTable::UseXmpFallback(bool on) {
    for (ExifDateRow& row : rows_) {
        std::string& taken = row.exif[kExifTaken - 1];
        if (on && !row.xmpShown && taken.empty() && !row.xmpTaken.empty()) {
            taken = row.xmpTaken;
            row.xmpShown = true;
        } else if (!on && row.xmpShown) {
            taken.clear();
            row.xmpShown = false;
        }
    }
}

void ExifDateTable::UseOffsets(bool on) {
    if (on == offsetsUsed_)
        return;
    offsetsUsed_ = on;
    for (ExifDateRow& row : rows_)
        for (std::size_t i = 0; i < 3; ++i)
            if (!row.exifExact[i].empty())
                std::swap(row.exif[i], row.exifExact[i]);
}

void ExifDateTable::ReplaceStamps(std::size_t i, const ExifDateRow& fresh) {
    ExifDateRow& row = rows_.at(i);
    row.current = fresh.current;
    row.exif = fresh.exif;
    row.exifExact = fresh.exifExact;
    row.xmpTaken = fresh.xmpTaken;
    row.xmpShown = false;
    if (offsetsUsed_)
        for (std::size_t k = 0; k < 3; ++k)
            if (!row.exifExact[k].empty())
                std::swap(row.exif[k], row.exifExact[k]);
}

bool ExifDateTable::HasSelection() const {
    return std::any_of(rows_.begin(), rows_.end(), [](const auto& r) { return r.selected; });
}

void ExifDateTable::SelectAll() {
    for (auto& r : rows_)
        r.selected = true;
}

void ExifDateTable::SelectWithoutValue() {
    for (auto& r : rows_)
        r.selected = r.newValue.empty();
}

void ExifDateTable::CopyExif(int tag) {
    SetFixedDateTimeFormats();
    if (tag >= kExifModify && tag <= kExifDigitized) {
        for (auto& r : rows_) {
            const std::string& text = r.exif[static_cast<std::size_t>(tag - kExifModify)];
            if (r.selected && !text.empty())
                r.newValue = text;
        }
    }
    StejnePryc();
}

void ExifDateTable::Earliest() {
    SetFixedDateTimeFormats();
    for (auto& r : rows_) {
        if (!r.selected)
            continue;
        TDateTime lowest = 0; // 0 = no value yet
        for (const std::string& text : r.exif) {
            if (text.empty())
                continue;
            const auto v = ParseDateTimeText(text);
            // A stamp the reader could not convert is 0 (1899.12.30): no value, and it must
            // not discard a real value found before it.
            if (!v || *v == 0)
                continue;
            if (lowest == 0 || *v < lowest)
                lowest = *v;
        }
        if (lowest != 0)
            r.newValue = DateTimeText(lowest);
    }
    StejnePryc();
}

void ExifDateTable::ClearValues() {
    for (auto& r : rows_)
        if (r.selected)
            r.newValue.clear();
}

void ExifDateTable::Adjust(int startTag, const AdjustSettings& settings) {
    SetFixedDateTimeFormats();
    for (auto& r : rows_) {
        if (!r.selected)
            continue;
        const std::string& start = startTag == kStartCurrent ? r.current : r.newValue;
        if (start.empty())
            continue;
        const auto x = ParseDateTimeText(start);
        if (!x)
            continue;
        if (const auto v = ApplyAdjustment(settings, *x))
            r.newValue = DateTimeText(*v);
    }
    StejnePryc();
}

void ExifDateTable::RemoveSelected() {
    std::erase_if(rows_, [](const auto& r) { return r.selected; });
}

bool ExifDateTable::RemoveFirstSelected() {
    const auto it =
        std::find_if(rows_.begin(), rows_.end(), [](const auto& r) { return r.selected; });
    if (it == rows_.end())
        return false;
    rows_.erase(it);
    return true;
}

void ExifDateTable::StejnePryc() {
    SetFixedDateTimeFormats();
    for (auto& r : rows_)
        if (!r.newValue.empty() &&
            (r.newValue == r.current || StoredFileTimeText(r.newValue) == r.current))
            r.newValue.clear();
}

void ExifDateTable::AktualizaceStavajici() {
    SetFixedDateTimeFormats();
    for (auto& r : rows_) {
        const auto age = FileAge(PathOf(r));
        r.current = age ? DateTimeText(*age) : std::string();
    }
}

ExifDateTable::WriteResult ExifDateTable::Write(bool keepRows) {
    SetFixedDateTimeFormats();
    WriteResult result;
    std::size_t removed = 0;
    const std::size_t count = rows_.size();
    // Intent of every time to write, before the first file is touched.
    std::vector<std::size_t> journalRowOf(count, std::string::npos);
    std::unique_ptr<JournalBatch> batch;
    if (journal_) {
        std::vector<JournalRow> intent;
        for (std::size_t i = 0; i < count; ++i) {
            const auto value = ParseDateTimeText(rows_[i].newValue);
            if (rows_[i].newValue.empty() || !value)
                continue;
            JournalRow row;
            row.op = RowOp::SetTime;
            row.oldPath = PathOf(rows_[i]);
            row.before = StampOf(row.oldPath);
            row.newMtimeNs =
                static_cast<std::int64_t>(LocalDateTimeToUnix(StoredFileTime(*value))) * 1000000000;
            journalRowOf[i] = intent.size();
            intent.push_back(std::move(row));
        }
        batch = BeginBatch(journal_, journalKind_, ExcludeTrailingSlash(folder_), std::move(intent),
                           &journalError_);
    }
    // Removed rows shift the later ones up: visit i addresses row i - removed.
    for (std::size_t visit = 0; visit < count; ++visit) {
        const std::size_t i = visit - removed;
        ExifDateRow& r = rows_[i];
        r.reason.clear();
        if (r.newValue.empty())
            continue;
        const auto value = ParseDateTimeText(r.newValue);
        if (!value) {
            r.reason = "not a date-time text";
            continue;
        }
        const FileTimeResult written = WriteFileTime(PathOf(r), *value, true);
        if (batch && journalRowOf[visit] != std::string::npos) {
            if (written)
                batch->done(journalRowOf[visit], StampOf(PathOf(r)));
            else
                batch->notDone(journalRowOf[visit], written.reason);
        }
        if (!written) {
            r.reason = written.reason;
            continue;
        }
        r.newValue.clear();
        ++result.written;
        changed_ = true;
        if (!keepRows) {
            rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
            ++removed;
        }
    }
    if (batch) {
        batch->finish();
        if (!batch->error().empty())
            journalError_ = batch->error();
    }
    if (!rows_.empty() && result.written > 0)
        AktualizaceStavajici();
    return result;
}

int ExifDateTable::CheckWrites() {
    SetFixedDateTimeFormats();
    int failing = 0;
    for (auto& r : rows_) {
        r.reason.clear();
        if (r.newValue.empty())
            continue;
        const auto value = ParseDateTimeText(r.newValue);
        const FileTimeResult check = value ? WriteFileTime(PathOf(r), *value, false)
                                           : FileTimeResult{false, "not a date-time text"};
        if (!check) {
            r.reason = check.reason;
            ++failing;
        }
    }
    return failing;
}

} // namespace kivo
