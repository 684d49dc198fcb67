#pragma once
// The rows of the rename dialog and what its buttons do with them, without any widget:
// the dialog binds to it, tests and batch tools drive it directly.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivo {

inline constexpr std::string_view kRenameStatusOk = "OK";
inline constexpr std::string_view kRenameStatusFailed = "chyba";

struct RenameRow {
    std::string dateTimeText; // modification time as date-time text (column "datum a čas")
    std::string currentName;  // "název-stávající"
    std::string newName;      // "název-úprava", empty until NastavNazev
    std::string status;       // "stav": empty, "OK" or "chyba"
};

class RenameTable {
public:
    // `folder` is the folder of the listed files (absolute; a trailing "/" is added).
    // Any other text, such as the "Drives" pseudo-folder, lists nothing.
    explicit RenameTable(std::string folder);

    const std::string& folder() const { return folder_; }
    const std::vector<RenameRow>& rows() const { return rows_; }
    bool empty() const { return rows_.empty(); }

    // Filling: one row per name that is an existing file (not a folder) in the folder, with
    // its modification time (two-second resolution) as date-time text. Bare names only;
    // a name with "/" or the entries "." and ".." are never listed.
    bool AddFile(const std::string& name);
    void Fill(const std::vector<std::string>& namesInListOrder);

    // Ascending by date-time text; rows with equal texts keep their filling order.
    void SeradDleDC();

    // New name of every row after format `formatIndex` (see naming.h). Formats 0 to 3
    // re-read each file's modification time; a file that has gone keeps an empty new name
    // and does not count for the day counter. Index -1 (or anything unknown) sets no names.
    void NastavNazev(int formatIndex);

    // Renames every row first to last, never replacing an existing file, and marks it
    // "OK" or "chyba". Runs once per table: returns the number of failed rows, or
    // nullopt when it has already run.
    std::optional<int> Proved();

    bool performed() const { return performed_; }
    // At least one file got its new name.
    bool changed() const { return changed_; }

    std::string pathOf(const std::string& name) const { return folder_ + name; }

private:
    std::string folder_;
    std::vector<RenameRow> rows_;
    bool performed_ = false;
    bool changed_ = false;
};

} // namespace kivo
