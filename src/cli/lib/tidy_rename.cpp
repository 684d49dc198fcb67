// kivo-tidy rename: the rename dialog's filling, order, names and renames.

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>
#include <system_error>

#include "cli/lib/json_names.h"
#include "cli/lib/tidy.h"
#include "cli/lib/tidy_common.h"
#include "photoops/naming.h"
#include "photoops/rename_batch.h"
#include "photoops/rename_table.h"
#include "platform/exe_folder.h"
#include "platform/file_system.h"

namespace kivo::tidy {

namespace {

constexpr const char* kRenameHelp =
    "Usage: kivo-tidy rename [--format F] [--dry-run] [--json] FILE...\n"
    "Renames files as the rename dialog does. The files of one folder form one batch:\n"
    "sorted by modification time and named after format F. Renames among the files\n"
    "themselves (a chain, a swap) work; a new name taken by any other file is refused.\n"
    "The files that pass the checks are renamed all or none, never replacing a file.\n"
    "A file whose new name is its current name is unchanged.\n"
    "Files that an interrupted run left under a temporary name (.kivo~PID~NAME) in a\n"
    "named file's folder are first put back under their old names.\n"
    "\n"
    "  --format F  0-6 or the format's text, letter case ignored:\n"
    "                0 YYYY_MM_DD_hh_mm_ss   1 YYYY_MM_DD_##   2 YYYY_MM_DD_###\n"
    "                3 YYYY_MM_DD_####       4 ##   5 ###   6 ####\n"
    "              default: the format saved by Kivomat (which this command never changes)\n"
    "  --dry-run   show the new names and the rows that would fail, rename nothing\n"
    "  --json      the rows as JSON objects\n"
    "  -h, --help  this text\n"
    "\n"
    "Columns: datum a čas, název-stávající, název-úprava, stav (OK, chyba or unchanged;\n"
    "empty in a dry run for a file that would be renamed), složka, reason (why a row\n"
    "fails). Exit status: 0 no row failed (or, with --dry-run, would fail), 1 a row\n"
    "failed or a FILE is not a file, 2 bad usage.\n";

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

std::string StatusText(const RenameRow& row) {
    switch (row.state) {
    case RenameState::Renamed:
        return std::string(kRenameStatusOk);
    case RenameState::Unchanged:
        return "unchanged";
    case RenameState::Failed:
        return std::string(kRenameStatusFailed);
    default:
        return {};
    }
}

// The folders of the named files, each once.
std::vector<std::string> FoldersOf(const std::vector<std::string>& files) {
    namespace fs = std::filesystem;
    std::vector<std::string> folders;
    for (const std::string& file : files) {
        std::error_code ec;
        const fs::path absolute = fs::absolute(fs::path(file), ec);
        if (ec)
            continue;
        const fs::path folder = fs::weakly_canonical(absolute.parent_path(), ec);
        if (ec)
            continue;
        if (std::find(folders.begin(), folders.end(), folder.string()) == folders.end())
            folders.push_back(folder.string());
    }
    return folders;
}

// What an interrupted run left under temporary names goes back first, so the files are
// found under the names the user gives. Returns false when a file could not be put back.
bool RestoreFolders(const std::vector<std::string>& files, bool dryRun, std::ostream& err) {
    bool ok = true;
    for (const std::string& folder : FoldersOf(files)) {
        if (dryRun) {
            for (const DirEntry& e :
                 EnumerateFolder(folder, std::string(kRenameTempPrefix) + "*")) {
                const auto parts = ParseRenameTempName(e.name);
                if (parts && !e.isDir() && !ProcessIsRunning(parts->pid))
                    err << "kivo-tidy rename: would put back "
                        << EscapeForLine(IncludeTrailingSlash(folder) + e.name) << " as "
                        << EscapeForLine(parts->oldName) << "\n";
            }
            continue;
        }
        for (const RestoredRename& r : RestoreInterruptedRenames(folder)) {
            const std::string temp = EscapeForLine(IncludeTrailingSlash(folder) + r.tempName);
            if (r.restored) {
                err << "kivo-tidy rename: put back " << temp << " as " << EscapeForLine(r.oldName)
                    << "\n";
            } else {
                err << "kivo-tidy rename: cannot put back " << temp << " as "
                    << EscapeForLine(r.oldName) << ": " << r.reason << "\n";
                ok = false;
            }
        }
    }
    return ok;
}

} // namespace

int RunRename(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (WantsHelp(args)) {
        out << kRenameHelp << "\n" << kJsonNamesHelp;
        return kExitOk;
    }
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
            out << kRenameHelp << "\n" << kJsonNamesHelp;
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

    const bool restored = RestoreFolders(files, dryRun, err);
    bool anyMissing = false;
    const std::vector<FolderBatch> batches = GroupByFolder(files, "rename", err, anyMissing);
    ResultTable table{
        {"datum a čas", "název-stávající", "název-úprava", "stav", "složka", "reason"}, {}};
    table.lastColumnOptional = true;
    int failed = 0;
    for (const FolderBatch& batch : batches) {
        RenameTable rows(batch.folder);
        rows.setJournal(CurrentJournal());
        rows.Fill(batch.names);
        rows.SeradDleDC();
        rows.NastavNazev(*format);
        // The dry run makes the very checks of the real run.
        failed += dryRun ? rows.Check() : rows.Proved().value_or(0);
        for (const RenameRow& r : rows.rows()) {
            table.rows.push_back(
                {r.dateTimeText, r.currentName, r.newName, StatusText(r), batch.folder, r.reason});
            if (r.state == RenameState::Failed)
                err << "kivo-tidy rename: " << (dryRun ? "would not rename " : "not renamed: ")
                    << EscapeForLine(IncludeTrailingSlash(batch.folder) + r.currentName) << ": "
                    << EscapeForLine(r.reason) << "\n";
        }
    }
    if (json)
        PrintJson(table, out);
    else
        PrintText(table, out);
    if (failed > 0)
        err << "Počet nepřejmenovaných souborů: " << failed << "\n";
    return failed > 0 || anyMissing || !restored ? kExitFailed : kExitOk;
}

} // namespace kivo::tidy
