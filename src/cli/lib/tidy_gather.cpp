// kivo-tidy gather: the gathering operation of the main window, with its two reports.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "cli/lib/json_names.h"
#include "cli/lib/tidy.h"
#include "cli/lib/tidy_common.h"
#include "photoops/gather.h"
#include "platform/exe_folder.h"
#include "platform/file_system.h"

namespace kivo::tidy {

namespace {

constexpr const char* kGatherHelp =
    "Usage: kivo-tidy gather [--subfolders] [--raw] [--by-date PATTERN]\n"
    "                        [--duplicates keep|trash] [--rename-clashes]\n"
    "                        [--report-dir DIR] [--json] SOURCE [DEST]\n"
    "Moves every JPEG file (*.jpg, *.jpeg, any letter case) of SOURCE, and with\n"
    "--subfolders of all folders below it, into DEST (default: the current folder), as\n"
    "Kivomat's gathering does. Nothing in DEST is ever replaced. A file whose name is\n"
    "taken there is compared with the file there: an identical one is a duplicate and\n"
    "stays where it is (or goes to the Trash), a different one stays too (or moves\n"
    "under a numbered name). A folder that held a moved file is removed when it is\n"
    "empty afterwards. Files already in DEST stay.\n"
    "\n"
    "  --subfolders      include every folder below SOURCE\n"
    "  --raw             move RAW camera files too (.cr2 .cr3 .nef .nrw .dng .arw .sr2\n"
    "                    .srf .pef .orf .rw2 .raw .rwl .iiq .3fr .erf .srw .raf .mrw)\n"
    "  --by-date PATTERN each photo into a folder of DEST named after the day it was\n"
    "                    taken (EXIF DateTimeOriginal, else the earliest EXIF stamp,\n"
    "                    else the file's time), made as needed: YYYY, YYYY/MM,\n"
    "                    YYYY/MM/DD, YYYY-MM-DD, YYYY_MM_DD, YYYY.MM.DD (\"/\" makes a\n"
    "                    subfolder; \"-\", \"_\" or \".\" between the parts of one name)\n"
    "  --duplicates keep|trash\n"
    "                    an identical file under the name in DEST: leave the photo\n"
    "                    where it is (keep, the default) or move it to the Trash\n"
    "  --rename-clashes  a different file under the name in DEST: move the photo as\n"
    "                    NAME_1.jpg, NAME_2.jpg, ... (the first free name)\n"
    "  --report-dir DIR  write struktur.txt, soubory.txt, duplikaty.txt and kolize.txt\n"
    "                    into DIR instead of the program's data folder\n"
    "  --json            the rows as JSON objects\n"
    "  -h, --help        this text\n"
    "\n"
    "SOURCE is used as typed, also in the reports. Kivomat's saved settings are not changed.\n"
    "Columns: soubor, cíl, stav (moved, renamed, duplicate, trashed, name taken, failed,\n"
    "missing or kept), reason (why a file was not moved).\n"
    "Exit status 1 when a row failed; a duplicate is no failure.\n";

const char* OutcomeText(const GatheredFile& f) {
    switch (f.outcome) {
    case GatherOutcome::Moved:
        return f.renamed ? "renamed" : "moved";
    case GatherOutcome::Duplicate:
        return f.trashed ? "trashed" : "duplicate";
    case GatherOutcome::Failed:
        return f.error == EEXIST ? "name taken" : "failed";
    case GatherOutcome::Missing:
        return "missing";
    case GatherOutcome::InDestination:
        return "kept";
    }
    return "";
}

} // namespace

int RunGather(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (WantsHelp(args)) {
        out << kGatherHelp << "\n" << kJsonNamesHelp;
        return kExitOk;
    }
    ArgReader reader(args);
    bool subfolders = false;
    bool raw = false;
    bool json = false;
    bool renameClashes = false;
    DuplicateAction duplicates = DuplicateAction::Keep;
    std::optional<DateFolderPattern> byDate;
    std::string reportDir;
    std::vector<std::string> operands;
    while (!reader.atEnd()) {
        if (!reader.nextIsOption()) {
            if (!reader.atEnd())
                operands.push_back(reader.takeOperand());
            continue;
        }
        const std::string option = reader.takeOption();
        if (option == "--help") {
            out << kGatherHelp << "\n" << kJsonNamesHelp;
            return kExitOk;
        }
        if (option == "--subfolders") {
            reader.noValue(option);
            subfolders = true;
        } else if (option == "--raw") {
            reader.noValue(option);
            raw = true;
        } else if (option == "--by-date") {
            const std::string value = reader.takeValue(option);
            byDate = ParseDateFolderPattern(value);
            if (!byDate)
                throw UsageError("--by-date: unknown pattern '" + value +
                                 "' (YYYY, YYYY/MM, YYYY/MM/DD, YYYY-MM-DD, ...)");
        } else if (option == "--duplicates") {
            const std::string value = reader.takeValue(option);
            if (value == "keep")
                duplicates = DuplicateAction::Keep;
            else if (value == "trash")
                duplicates = DuplicateAction::Trash;
            else
                throw UsageError("--duplicates takes keep or trash, not '" + value + "'");
        } else if (option == "--rename-clashes") {
            reader.noValue(option);
            renameClashes = true;
        } else if (option == "--report-dir") {
            reportDir = reader.takeValue(option);
            if (reportDir.empty())
                throw UsageError("--report-dir needs a folder");
        } else if (option == "--json") {
            reader.noValue(option);
            json = true;
        } else {
            throw UsageError("unknown option " + option);
        }
    }
    if (operands.empty())
        throw UsageError("no SOURCE given");
    if (operands.size() > 2)
        throw UsageError("too many arguments");
    const std::string& source = operands[0];

    // The operation moves into an absolute folder; a relative DEST means the current one.
    std::error_code ec;
    const std::string destArg = operands.size() > 1 ? operands[1] : ".";
    const std::string dest =
        ExcludeTrailingSlash(std::filesystem::absolute(destArg, ec).lexically_normal().string());
    if (ec || !DirectoryExists(dest)) {
        err << "kivo-tidy gather: not a folder: " << destArg << "\n";
        return kExitFailed;
    }

    // Asked first: the run removes the source once its last file has left.
    const bool sourceIsFolder = DirectoryExists(source);
    ImageGatherer gatherer(reportDir.empty() ? DataFolder() : reportDir);
    gatherer.setIncludeRaw(raw);
    gatherer.setDateFolders(byDate);
    gatherer.setDuplicates(duplicates);
    gatherer.setRenameClashes(renameClashes);
    gatherer.setJournal(CurrentJournal());
    const GatherResult result = gatherer.GatherImages(source, subfolders, dest);

    ResultTable table{{"soubor", "cíl", "stav", "reason"}, {}};
    table.lastColumnOptional = true;
    bool failed = false;
    for (const GatheredFile& f : result.files) {
        // A duplicate that was to go to the Trash and could not fails its row too.
        const bool rowFailed = f.outcome == GatherOutcome::Failed ||
                               (f.outcome == GatherOutcome::Duplicate && !f.trashed &&
                                duplicates == DuplicateAction::Trash);
        const std::string reason = !rowFailed && !f.reason.empty() ? f.reason
                                   : !rowFailed                    ? std::string()
                                   : f.error == EEXIST             ? "target exists"
                                   : !f.reason.empty()             ? f.reason
                                                                   : std::strerror(f.error);
        table.rows.push_back({f.path, f.target, OutcomeText(f), reason});
        if (rowFailed) {
            failed = true;
            err << "kivo-tidy gather: not moved: " << EscapeForLine(f.path) << ": " << reason
                << "\n";
        }
    }
    if (json)
        PrintJson(table, out);
    else
        PrintText(table, out);
    if (!sourceIsFolder) {
        err << "kivo-tidy gather: not a folder: " << source << "\n";
        return kExitFailed;
    }
    return failed ? kExitFailed : kExitOk;
}

} // namespace kivo::tidy
