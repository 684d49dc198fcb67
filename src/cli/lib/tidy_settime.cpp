// kivo-tidy settime: the EXIF date dialog's filling, its start buttons, the adjustment
// and "Proveď a ponech".

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "cli/lib/json_names.h"
#include "cli/lib/ordered_work.h"
#include "cli/lib/read_threads.h"
#include "cli/lib/tidy.h"
#include "cli/lib/tidy_common.h"
#include "exif/container_kind.h"
#include "exif/photo_data.h"
#include "photoops/adjust_settings.h"
#include "photoops/date_shift.h"
#include "photoops/exif_date_fill.h"
#include "photoops/exif_date_table.h"
#include "photoops/file_time.h"
#include "platform/datetime.h"
#include "platform/file_system.h"
#include "platform/name_bytes.h"
#include "platform/path_at.h"
#include "platform/regular_file.h"

namespace kivo::tidy {

namespace {

constexpr const char* kSetTimeHelp =
    "Usage: kivo-tidy settime [--from START] [--shift AMOUNT UNIT] [--date YYYY.MM.DD]\n"
    "                         [--time hh:mm] [--use-offset] [--xmp-fallback] [--dry-run]\n"
    "                         [--json] FILE...\n"
    "Sets modification times as the EXIF date dialog does.\n"
    "\n"
    "  --from START  where each file's new time starts:\n"
    "                  earliest   the earliest of the three EXIF stamps (default)\n"
    "                  modify     EXIF DateTime (\"EXIF změna\")\n"
    "                  taken      EXIF DateTimeOriginal (\"EXIF pořízení\")\n"
    "                  digitized  EXIF DateTimeDigitized (\"EXIF digitalizace\")\n"
    "                  current    the file's current time (\"stávající\"); needs a change\n"
    "                A file without that stamp is left alone.\n"
    "  --shift AMOUNT UNIT  add AMOUNT (may be negative) units to the start: rok, měsíc,\n"
    "                den, hodina, minuta, sekunda or year, month, day, hour, minute, second\n"
    "  --date YYYY.MM.DD    replace the start's date\n"
    "  --time hh:mm         replace the start's time of day (seconds become 0)\n"
    "                --shift cannot be combined with --date or --time.\n"
    "  --use-offset  a stamp stored with its time-zone offset (OffsetTime,\n"
    "                OffsetTimeOriginal, OffsetTimeDigitized) counts as the exact instant\n"
    "                it names, in this computer's time zone; others as stored\n"
    "  --xmp-fallback  a file without EXIF DateTimeOriginal takes the XMP date of its\n"
    "                packet or its sidecar NAME.xmp (exif:DateTimeOriginal, xmp:CreateDate,\n"
    "                photoshop:DateCreated) as that stamp\n"
    "  --dry-run     show the new times and the rows that would fail, write nothing\n"
    "  --json        the rows as JSON objects\n"
    "  -h, --help    this text\n"
    "\n"
    "Times are written at two-second resolution (odd seconds go down); a new time that\n"
    "would be stored as the current one is dropped (unchanged). Only the years 1980 to\n"
    "2099 can be written.\n"
    "Columns: soubor, stávající, úprava, EXIF změna, EXIF pořízení, EXIF digitalizace,\n"
    "stav (written, unchanged or failed; empty in a dry run for a file that would be\n"
    "written), old (the time before), new (the time after: what the file keeps), složka,\n"
    "reason (why a row fails). Exit status: 0 no row failed (or, with --dry-run, would\n"
    "fail), 1 a row failed or a FILE is not a file, 2 bad usage.\n";

constexpr int kFromEarliest = 0; // otherwise kExifModify..kExifDigitized
constexpr int kFromCurrent = -1;

int ParseFrom(const std::string& text) {
    static constexpr std::pair<std::string_view, int> kStarts[] = {{"earliest", kFromEarliest},
                                                                   {"modify", kExifModify},
                                                                   {"taken", kExifTaken},
                                                                   {"digitized", kExifDigitized},
                                                                   {"current", kFromCurrent}};
    for (const auto& [name, value] : kStarts)
        if (SameIgnoringAsciiCase(text, name))
            return value;
    throw UsageError("unknown start '" + text + "'");
}

TDateTime ParseDate(const std::string& text) {
    const std::optional<TDateTime> date = ParseDateTimeText(text);
    if (text.size() != 10 || !date)
        throw UsageError("the date '" + text + "' is not YYYY.MM.DD");
    return *date;
}

std::string ParseTime(const std::string& text) {
    const bool layout = text.size() == 5 && text[2] == ':' &&
                        std::isdigit(static_cast<unsigned char>(text[0])) &&
                        std::isdigit(static_cast<unsigned char>(text[1])) &&
                        std::isdigit(static_cast<unsigned char>(text[3])) &&
                        std::isdigit(static_cast<unsigned char>(text[4]));
    if (!layout || !CheckTimeText(text))
        throw UsageError("the time '" + text + "' is not hh:mm (00:00 to 23:59)");
    return text;
}

// The rows with their start values in "úprava", before anything is cleared for being
// equal to the current time: the start buttons run on a copy whose current column is
// empty, so the start survives for the adjustment.
ExifDateTable StartTable(const ExifDateTable& filled, int from) {
    // The start buttons read only the EXIF columns (and clear nothing without a current
    // time): the copy holds those alone.
    ExifDateTable probe(filled.folder());
    probe.Reserve(filled.size());
    for (const ExifDateRow& row : filled.rows()) {
        ExifDateRow stamps;
        stamps.exif = row.exif;
        probe.AddRow(std::move(stamps));
    }
    probe.SelectAll();
    if (from == kFromEarliest)
        probe.Earliest();
    else
        probe.CopyExif(from);
    ExifDateTable table(filled.folder());
    table.Reserve(filled.size());
    for (std::size_t i = 0; i < filled.size(); ++i) {
        ExifDateRow row = filled.row(i);
        row.newValue = probe.row(i).newValue;
        table.AddRow(std::move(row));
    }
    table.SelectAll();
    return table;
}

// Opens name (in folderFd) for writing and locks it, as a write of its time does first, and
// reads its head through that descriptor, which the reader closes (the lock goes with it).
// Why the write would fail goes to `access` ("" when it would not); a file that does not
// open so is read by the reader's own open.
void OpenForCheck(int folderFd, const std::string& name, FileHead& head, std::string& access) {
    access.clear();
    head.count = 0;
    head.file = RegularFile{};
    UniqueFd fd(::openat(folderFd, name.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0) {
        access = OpenErrorText(errno);
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        access = OpenErrorText(kNotRegularFile);
        return;
    }
    if (const FileTimeResult locked = LockForFileTime(fd.get()); !locked)
        access = locked.reason;
    if (ContainerByName(name) == PhotoContainer::None)
        return; // not read as a photo: the reader's own open dates it
    head.file.fd = std::move(fd);
    head.file.info = st;
    FillFileHead(head);
}

// The rows of one folder's files as FillExifDateTable makes them. Many files are read on
// worker threads; the rows are added in the order of the names. With `access` (a dry run)
// each file is opened as its write would open it, and access gets, row by row, why that
// failed: one open per file serves the read and the check.
ExifDateTable FillRows(const std::string& folder, const std::vector<std::string>& names,
                       const ReadThreads& use, std::vector<std::string>* access) {
    if (use.workers == 0 && !access)
        return FillExifDateTable(folder, names);
    SetFixedDateTimeFormats();
    ExifDateTable table(folder);
    table.Reserve(names.size());
    std::vector<std::unique_ptr<ExifDateRowReader>> readers;
    for (unsigned w = 0; w < std::max(use.workers, 1u); ++w)
        readers.push_back(std::make_unique<ExifDateRowReader>(folder));
    struct Slot {
        FileHead head;
        std::optional<ExifDateRow> row;
        std::string access;
    };
    const std::string prefix = IncludeTrailingSlash(folder);
    // Names are opened in their folder: its path is looked up once, not per file.
    const UniqueFd folderFd = access ? OpenFolder(folder, O_PATH) : UniqueFd();
    auto open = [&](Slot& slot, std::uint32_t i) {
        if (!access)
            ReadFileHead(prefix + names[i], slot.head);
        else if (folderFd)
            OpenForCheck(folderFd.get(), names[i], slot.head, slot.access);
        else
            OpenForCheck(AT_FDCWD, prefix + names[i], slot.head, slot.access);
    };
    // The calling thread opens the files when it reads ahead or works alone.
    const bool openFirst = use.readAhead || use.workers == 0;
    OrderedWork<Slot>::Run(
        static_cast<std::uint32_t>(names.size()), use.workers,
        [&](Slot& slot, std::uint32_t i) {
            if (openFirst)
                open(slot, i);
        },
        [&](unsigned w, Slot& slot, std::uint32_t i) {
            if (!openFirst && access)
                open(slot, i);
            slot.row = readers[w]->Read(names[i], slot.head);
        },
        [&](Slot& slot, std::uint32_t) {
            if (slot.row) {
                table.AddRow(std::move(*slot.row));
                if (access)
                    access->push_back(slot.access);
            }
            return true;
        });
    return table;
}

// The checks of CheckWrites, row by row: the time's, then what the fill found when it
// opened the file for writing.
std::vector<std::string> WriteProblems(const ExifDateTable& rows,
                                       const std::vector<std::string>& access) {
    std::vector<std::string> reasons(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ExifDateRow& r = rows.row(i);
        if (r.newValue.empty())
            continue;
        const auto value = ParseDateTimeText(r.newValue);
        if (!value)
            reasons[i] = "not a date-time text";
        else if (const FileTimeResult range = CheckStorableFileTime(*value); !range)
            reasons[i] = range.reason;
        else
            reasons[i] = access[i];
    }
    return reasons;
}

} // namespace

int RunSetTime(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (WantsHelp(args)) {
        out << kSetTimeHelp << "\n" << kJsonNamesHelp;
        return kExitOk;
    }
    ArgReader reader(args);
    int from = kFromEarliest;
    bool dryRun = false;
    bool json = false;
    bool shift = false;
    bool absolute = false;
    bool useOffset = false;
    bool xmpFallback = false;
    AdjustSettings settings;
    std::vector<std::string> files;
    while (!reader.atEnd()) {
        if (!reader.nextIsOption()) {
            if (!reader.atEnd())
                files.push_back(reader.takeOperand());
            continue;
        }
        const std::string option = reader.takeOption();
        if (option == "--help") {
            out << kSetTimeHelp << "\n" << kJsonNamesHelp;
            return kExitOk;
        }
        if (option == "--from") {
            from = ParseFrom(reader.takeValue(option));
        } else if (option == "--shift") {
            settings.amount = ParseAmount(reader.takeValue(option));
            settings.unitIndex = ParseUnit(reader.takeValue(option));
            shift = true;
        } else if (option == "--date") {
            settings.date = ParseDate(reader.takeValue(option));
            settings.changeDate = true;
            absolute = true;
        } else if (option == "--time") {
            settings.timeText = ParseTime(reader.takeValue(option));
            settings.changeTime = true;
            absolute = true;
        } else if (option == "--use-offset") {
            reader.noValue(option);
            useOffset = true;
        } else if (option == "--xmp-fallback") {
            reader.noValue(option);
            xmpFallback = true;
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
    if (shift && absolute)
        throw UsageError("--shift cannot be combined with --date or --time");
    const bool adjust = shift || absolute;
    if (from == kFromCurrent && !adjust)
        throw UsageError("--from current needs --shift, --date or --time");
    settings.page = absolute ? kPageAbsolute : kPageRelative;

    // Every folder's files are read first: the fill opens each name and so learns which are
    // files, without a look-up of its own. Then, as GroupByFolder would have it, the names
    // that are not files are reported in the order given, and the folders follow in the
    // order of their first file.
    std::vector<PlacedName> placed;
    std::vector<FolderBatch> batches = GroupNamesByFolder(files, placed);
    struct Filled {
        ExifDateTable table;
        std::vector<std::string> access;
        std::vector<bool> isFile; // by name of the batch
    };
    std::vector<Filled> fills(batches.size());
    for (std::size_t b = 0; b < batches.size(); ++b) {
        Filled& f = fills[b];
        const std::vector<std::string>& names = batches[b].names;
        const ReadThreads use = ReadThreadsFor(names.size(), batches[b].folder);
        f.table = FillRows(batches[b].folder, names, use, dryRun ? &f.access : nullptr);
        // The rows are those of the names that are files, in the order of the names.
        f.isFile.assign(names.size(), false);
        std::size_t row = 0;
        for (std::size_t k = 0; k < names.size() && row < f.table.size(); ++k)
            if (f.table.row(row).name == names[k]) {
                f.isFile[k] = true;
                ++row;
            }
    }
    bool anyMissing = false;
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> firstFile(batches.size(), kNone);
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const PlacedName& p = placed[i];
        if (p.batch != PlacedName::kNoBatch && fills[p.batch].isFile[p.name]) {
            firstFile[p.batch] = std::min(firstFile[p.batch], i);
        } else {
            ReportNotAFile(err, "settime", files[i]);
            anyMissing = true;
        }
    }
    std::vector<std::size_t> order;
    for (std::size_t b = 0; b < batches.size(); ++b)
        if (firstFile[b] != kNone)
            order.push_back(b);
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return firstFile[a] < firstFile[b]; });
    ResultTable table{{"soubor", "stávající", "úprava", "EXIF změna", "EXIF pořízení",
                       "EXIF digitalizace", "stav", "old", "new", "složka", "reason"},
                      {}};
    table.lastColumnOptional = true;
    int failed = 0;
    for (const std::size_t b : order) {
        const FolderBatch& batch = batches[b];
        const std::vector<std::string>& access = fills[b].access;
        ExifDateTable filled = std::move(fills[b].table);
        filled.UseOffsets(useOffset);
        filled.UseXmpFallback(xmpFallback);
        ExifDateTable rows = from == kFromCurrent ? filled : StartTable(filled, from);
        if (from == kFromCurrent)
            rows.SelectAll();
        // Rows whose correction has no result (it would leave the calendar): the dialog
        // leaves such a row's value as it was, which here would write the uncorrected start.
        std::vector<bool> noResult(filled.size(), false);
        if (adjust) {
            for (std::size_t i = 0; i < rows.size(); ++i) {
                const ExifDateRow& r = rows.row(i);
                const std::string& start = from == kFromCurrent ? r.current : r.newValue;
                const std::optional<TDateTime> x = ParseDateTimeText(start);
                noResult[i] = !start.empty() && (!x || !ApplyAdjustment(settings, *x));
            }
            rows.Adjust(from == kFromCurrent ? kStartCurrent : kStartNewValue, settings);
            if (std::find(noResult.begin(), noResult.end(), true) != noResult.end()) {
                ExifDateTable kept(rows.folder());
                for (std::size_t i = 0; i < rows.size(); ++i) {
                    ExifDateRow r = rows.row(i);
                    if (noResult[i])
                        r.newValue.clear();
                    kept.AddRow(std::move(r));
                }
                rows = std::move(kept);
            }
        } else {
            rows.StejnePryc();
        }
        std::vector<std::string> planned;
        planned.reserve(rows.size());
        for (const ExifDateRow& r : rows.rows())
            planned.push_back(r.newValue);
        // The dry run makes the very checks of the real run.
        std::vector<std::string> problems;
        if (dryRun)
            problems = WriteProblems(rows, access);
        else {
            rows.setJournal(CurrentJournal());
            rows.Write(true);
        }
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const ExifDateRow& r = rows.row(i);
            const std::string& old = filled.row(i).current;
            std::string status;
            std::string reason = dryRun ? problems[i] : r.reason;
            std::string after;
            if (noResult[i]) {
                status = "failed";
                reason = "the corrected time is out of range";
            } else if (planned[i].empty()) {
                status = "unchanged";
            } else if (!reason.empty()) {
                status = "failed";
            } else if (dryRun) {
                after = StoredFileTimeText(planned[i]);
            } else {
                status = "written";
                after = r.current;
            }
            if (status == "failed") {
                ++failed;
                err << "kivo-tidy settime: " << (dryRun ? "would not write " : "not written: ")
                    << EscapeForLine(rows.PathOf(r)) << ": " << reason << "\n";
            }
            table.rows.push_back({r.name, r.current, planned[i], r.exif[0], r.exif[1], r.exif[2],
                                  status, old, after, batch.folder, reason});
        }
    }
    if (json)
        PrintJson(table, out);
    else
        PrintText(table, out);
    return failed > 0 || anyMissing ? kExitFailed : kExitOk;
}

} // namespace kivo::tidy
