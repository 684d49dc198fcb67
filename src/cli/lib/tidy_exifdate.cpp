// kivo-tidy exifdate: correcting the EXIF date-time stamps themselves (a camera clock
// that was wrong), written in place, crash-safe and journaled.

#include <cstdint>
#include <optional>
#include <utility>

#include "cli/lib/json_names.h"
#include "cli/lib/tidy.h"
#include "cli/lib/tidy_common.h"
#include "exif/exif_offset.h"
#include "exif/stamp_writer.h"
#include "photoops/exif_stamp_job.h"
#include "platform/name_bytes.h"

namespace kivo::tidy {

namespace {

constexpr const char* kExifDateHelp =
    "Usage: kivo-tidy exifdate [--stamps all|modify|taken|digitized]\n"
    "                          (--shift AMOUNT UNIT | --set \"YYYY:MM:DD hh:mm:ss\" |\n"
    "                           --from-mtime) [--offset +hh:mm] [--keep-mtime|--touch]\n"
    "                          [--dry-run] [--json] FILE...\n"
    "Corrects the EXIF date-time stamps stored in the photos (a camera clock that was\n"
    "wrong). The stamps are rewritten where they are, with the same length; a stamp that is\n"
    "absent, not 20 bytes of ASCII or outside the EXIF data is never created or moved: its\n"
    "row fails. Each photo is written as a copy beside it, synced and renamed over it, and\n"
    "the change is journaled: 'kivo-tidy undo' puts the bytes back exactly.\n"
    "\n"
    "  --stamps WHICH  the stamps to correct: all (default), modify (DateTime, \"EXIF\n"
    "                změna\"), taken (DateTimeOriginal, \"EXIF pořízení\") or digitized\n"
    "                (DateTimeDigitized, \"EXIF digitalizace\")\n"
    "  --shift AMOUNT UNIT  add AMOUNT (may be negative) units to each stamp: rok, měsíc,\n"
    "                den, hodina, minuta, sekunda or year, month, day, hour, minute, second\n"
    "  --set \"YYYY:MM:DD hh:mm:ss\"  set the stamps to this value\n"
    "  --from-mtime  set the stamps to the file's modification time (local time)\n"
    "                (with --set, the SubSecTime fields the photo has become zeros; here the\n"
    "                file time's fraction; a shift keeps them)\n"
    "  --offset +hh:mm  write this time-zone offset into the stamps' OffsetTime,\n"
    "                OffsetTimeOriginal or OffsetTimeDigitized fields where the photo has\n"
    "                them (they are never added)\n"
    "  --keep-mtime  the photo keeps its modification time (default)\n"
    "  --touch       the photo's modification time becomes the time of the rewrite\n"
    "  --dry-run     show the new stamps and the rows that would fail, write nothing\n"
    "  --json        the rows as JSON objects\n"
    "  -h, --help    this text\n"
    "\n"
    "Columns: soubor, EXIF změna, EXIF pořízení, EXIF digitalizace (the stamps as stored),\n"
    "nová změna, nové pořízení, nová digitalizace (the corrected stamps; empty for a stamp\n"
    "left alone), posun (the old and new offset, when one is written), stav (written,\n"
    "unchanged or failed; empty in a dry run for a file that would be written), složka,\n"
    "reason (why a row fails). Exit status: 0 no row failed (or, with --dry-run, would\n"
    "fail), 1 a row failed or a FILE is not a file, 2 bad usage.\n";

StampChoice ParseStamps(const std::string& text) {
    static constexpr std::pair<std::string_view, StampChoice> kChoices[] = {
        {"all", StampChoice::All},
        {"modify", StampChoice::Modify},
        {"taken", StampChoice::Taken},
        {"digitized", StampChoice::Digitized}};
    for (const auto& [name, value] : kChoices)
        if (SameIgnoringAsciiCase(text, name))
            return value;
    throw UsageError("unknown stamps '" + text + "'");
}

std::string StateText(const StampJobRow& row, bool dryRun) {
    switch (row.state) {
    case StampRowState::Planned:
        return dryRun ? "" : "failed";
    case StampRowState::Unchanged:
        return "unchanged";
    case StampRowState::Written:
        return "written";
    case StampRowState::Failed:
        return "failed";
    }
    return {};
}

} // namespace

int RunExifDate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (WantsHelp(args)) {
        out << kExifDateHelp << "\n" << kJsonNamesHelp;
        return kExitOk;
    }
    ArgReader reader(args);
    StampCorrection correction;
    int sources = 0;
    bool timesGiven = false;
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
            out << kExifDateHelp << "\n" << kJsonNamesHelp;
            return kExitOk;
        }
        if (option == "--stamps") {
            correction.stamps = ParseStamps(reader.takeValue(option));
        } else if (option == "--shift") {
            correction.source = StampSource::Adjust;
            correction.adjust.page = kPageRelative;
            correction.adjust.amount = ParseAmount(reader.takeValue(option));
            correction.adjust.unitIndex = ParseUnit(reader.takeValue(option));
            ++sources;
        } else if (option == "--set") {
            correction.source = StampSource::Set;
            correction.value = reader.takeValue(option);
            if (!ParseStampText(correction.value))
                throw UsageError("the stamp '" + correction.value + "' is not YYYY:MM:DD hh:mm:ss");
            ++sources;
        } else if (option == "--from-mtime") {
            reader.noValue(option);
            correction.source = StampSource::FromMtime;
            ++sources;
        } else if (option == "--offset") {
            correction.offset = reader.takeValue(option);
            if (correction.offset.size() != 6 || !ParseExifOffsetMinutes(correction.offset))
                throw UsageError("the offset '" + correction.offset + "' is not +hh:mm or -hh:mm");
        } else if (option == "--keep-mtime" || option == "--touch") {
            reader.noValue(option);
            if (timesGiven)
                throw UsageError("--keep-mtime and --touch exclude each other");
            timesGiven = true;
            correction.times = option == "--touch" ? PatchTimes::Touch : PatchTimes::Keep;
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
    if (sources != 1)
        throw UsageError("give exactly one of --shift, --set and --from-mtime");
    if (files.empty())
        throw UsageError("no FILE given");

    bool anyMissing = false;
    const std::vector<FolderBatch> batches = GroupByFolder(files, "exifdate", err, anyMissing);
    ResultTable table{{"soubor", "EXIF změna", "EXIF pořízení", "EXIF digitalizace", "nová změna",
                       "nové pořízení", "nová digitalizace", "posun", "stav", "složka", "reason"},
                      {}};
    table.lastColumnOptional = true;
    int failed = 0;
    for (const FolderBatch& batch : batches) {
        ExifStampJob job(batch.folder, batch.names, correction);
        if (dryRun)
            job.Plan();
        else
            job.Write(CurrentJournal());
        if (!job.journalError().empty())
            err << "kivo-tidy exifdate: " << job.journalError() << " (changes cannot be undone)\n";
        for (const StampJobRow& r : job.rows()) {
            const std::string status = StateText(r, dryRun);
            if (status == "failed") {
                ++failed;
                err << "kivo-tidy exifdate: " << (dryRun ? "would not write " : "not written: ")
                    << EscapeForLine(job.PathOf(r)) << ": " << r.reason << "\n";
            }
            const bool failedRow = r.state == StampRowState::Failed;
            auto shown = [&](std::size_t k) { return failedRow ? std::string() : r.newStamps[k]; };
            const std::string offset = failedRow || correction.offset.empty() || r.oldOffset.empty()
                                           ? std::string()
                                           : r.oldOffset + " -> " + r.newOffset;
            table.rows.push_back({r.name, r.oldStamps[0], r.oldStamps[1], r.oldStamps[2], shown(0),
                                  shown(1), shown(2), offset, status, batch.folder, r.reason});
        }
    }
    if (json)
        PrintJson(table, out);
    else
        PrintText(table, out);
    return failed > 0 || anyMissing ? kExitFailed : kExitOk;
}

} // namespace kivo::tidy
