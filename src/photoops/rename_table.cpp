#include "photoops/rename_table.h"

#include <algorithm>

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
    rows_.push_back(RenameRow{DateTimeText(*age), name, {}, {}});
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

std::optional<int> RenameTable::Proved() {
    if (performed_)
        return std::nullopt;
    performed_ = true;
    int failures = 0;
    for (RenameRow& row : rows_) {
        // An empty or non-bare new name would aim at the folder itself or elsewhere:
        // refused without asking the file system.
        const bool renamed = IsBareName(row.newName) &&
                             RenameNoReplace(pathOf(row.currentName), pathOf(row.newName)).ok;
        if (renamed) {
            row.status = kRenameStatusOk;
            changed_ = true;
        } else {
            row.status = kRenameStatusFailed;
            ++failures;
        }
    }
    return failures;
}

} // namespace kivo
