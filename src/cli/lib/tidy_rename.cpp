// kivo-tidy rename: the rename dialog's filling, order, names and renames.

#include <charconv>
#include <optional>

#include "cli/lib/tidy.h"
#include "cli/lib/tidy_common.h"
#include "photoops/naming.h"
#include "photoops/rename_table.h"
#include "platform/exe_folder.h"

namespace kivo::tidy {

namespace {

constexpr const char* kRenameHelp =
    "Usage: kivo-tidy rename [--format F] [--dry-run] [--json] FILE...\n"
    "Renames files as the rename dialog does. The files of one folder form one batch:\n"
    "sorted by modification time, named after format F, then renamed in that order,\n"
    "never replacing an existing file.\n"
    "\n"
    "  --format F  0-6 or the format's text, letter case ignored:\n"
    "                0 YYYY_MM_DD_hh_mm_ss   1 YYYY_MM_DD_##   2 YYYY_MM_DD_###\n"
    "                3 YYYY_MM_DD_####       4 ##   5 ###   6 ####\n"
    "              default: the format saved by Kivomat (which this command never changes)\n"
    "  --dry-run   show the new names, rename nothing\n"
    "  --json      the rows as JSON objects\n"
    "\n"
    "Columns: datum a čas, název-stávající, název-úprava, stav (OK or chyba), složka.\n";

int ParseFormat(const std::string& text) {
    int index = -1;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, index);
    if (!text.empty() && ec == std::errc() && ptr == end) {
        if (index < 0 || index >= kFormatCount)
            throw UsageError("format index " + text + " is not 0 to 6");
        return index;
    }
    index = FormatIndexOfText(text);
    if (index == kFormatNone)
        throw UsageError("unknown format '" + text + "'");
    return index;
}

} // namespace

int RunRename(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ArgReader reader(args);
    std::optional<int> format;
    bool dryRun = false;
    bool json = false;
    std::vector<std::string> files;
    while (!reader.atEnd()) {
        if (!reader.nextIsOption()) {
            if (!reader.atEnd())
                files.push_back(reader.takeOperand());
            continue;
        }
        const std::string option = reader.takeOption();
        if (option == "--help") {
            out << kRenameHelp;
            return kExitOk;
        }
        if (option == "--format") {
            format = ParseFormat(reader.takeValue(option));
        } else if (option == "--dry-run") {
            reader.noValue(option);
            dryRun = true;
        } else if (option == "--json") {
            reader.noValue(option);
            json = true;
        } else {
            throw UsageError("unknown option " + option);
        }
    }
    if (files.empty())
        throw UsageError("no FILE given");
    if (!format) {
        const int saved = ReadStoredFormatIndex(SettingsPath());
        if (saved < 0 || saved >= kFormatCount)
            throw UsageError("the saved format index " + std::to_string(saved) +
                             " is none of 0 to 6; choose one with --format");
        format = saved;
    }

    bool anyMissing = false;
    const std::vector<FolderBatch> batches = GroupByFolder(files, "rename", err, anyMissing);
    ResultTable table{{"datum a čas", "název-stávající", "název-úprava", "stav", "složka"}, {}};
    int failed = 0;
    for (const FolderBatch& batch : batches) {
        RenameTable rows(batch.folder);
        rows.Fill(batch.names);
        rows.SeradDleDC();
        rows.NastavNazev(*format);
        if (!dryRun)
            failed += rows.Proved().value_or(0);
        for (const RenameRow& r : rows.rows())
            table.rows.push_back(
                {r.dateTimeText, r.currentName, r.newName, r.status, batch.folder});
    }
    if (json)
        PrintJson(table, out);
    else
        PrintText(table, out);
    if (failed > 0)
        err << "Počet nepřejmenovaných souborů: " << failed << "\n";
    return failed > 0 || anyMissing ? kExitFailed : kExitOk;
}

} // namespace kivo::tidy
