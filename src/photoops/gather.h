#pragma once
// Gathering images from a folder tree: every JPEG file of a source folder (optionally
// with all its subfolders) is moved into a destination folder, folders that held a
// moved file are removed once empty, and two report files are left in the data folder:
//   "struktur.txt"  the folders searched, breadth-first, one per line
//   "soubory.txt"   the image files found, one per line
// Lines end with CR LF; there is no header.
//
// The class knows no widget. The main window calls it from BPresunClick like this:
//
//   ImageGatherer gatherer(DataFolder());
//   gatherer.setSettingsPath(SettingsPath());      // "Presun"/"adresar" and "podadr"
//   // After every file, then 0. No event loop runs meanwhile, so the gauge must repaint
//   // itself at once.
//   gatherer.setGauge([this](int percent) { SB->Panel(2).GaugeAttrs().SetPosition(percent); });
//   const GatherResult r = gatherer.GatherImages(DEPresun->text().toStdString(),
//                                                ChBPodadr->isChecked(),
//                                                SCB->SelectedPath().toStdString());
//   if (!r.settingsError.empty())
//       TApplication::ShowException(QString::fromStdString(r.settingsError));
//   if (r.anyFound())
//       AktualizujSLV();
//
// A report file that cannot be created or written throws GatherIoError before any file
// has moved; let it reach the standard error box like any other handler error.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "photoops/gather_targets.h"

namespace kivo {

class Journal;

inline constexpr const char* kStructureReportName = "struktur.txt";
inline constexpr const char* kFilesReportName = "soubory.txt";
// Written by every run too: the photos whose name was taken in the destination, the
// identical ones and the different ones apart (full source paths, CR LF).
inline constexpr const char* kDuplicatesReportName = "duplikaty.txt";
inline constexpr const char* kClashesReportName = "kolize.txt";

// A report file could not be created, written or read. The text names the system's
// reason and the file.
class GatherIoError : public std::runtime_error {
public:
    GatherIoError(int error, const std::string& path);
    int error() const { return error_; }

private:
    int error_;
};

// Text-file routines. Each opens the file, does its work and closes it again; lines end
// with CR LF when written, and CR LF, LF or a lone CR when read.
void CreateEmptyFile(const std::string& path);                     // create or truncate
void AppendLine(const std::string& text, const std::string& path); // create if missing
int CountLines(const std::string& path);               // empty file and a single empty line count 0
std::string ReadLineN(int n, const std::string& path); // line n (1-based), "" past the end

// The start folder and every folder below it, breadth-first: all children of the start,
// then all children of the first child, and so on, each folder's children in the order
// the file system lists them. A child's path is its parent's path + "/" + its name, so a
// start typed with a trailing "/" gives children with a doubled "/". A folder's listing
// ends at its end, on an error, or when the same name comes twice in a row. Symbolic
// links to folders are never followed (a link cycle would never end, and a link may lead
// out of the tree). Folders deeper than PATH_MAX are walked too. Empty when the start is
// not an existing folder.
std::vector<std::string> ListFolderTree(const std::string& start);

// Appends ListFolderTree(start) to the list file, creating it when missing; writes
// nothing when the start is not an existing folder.
void WalkFolderTree(const std::string& start, const std::string& listFile);

enum class GatherOutcome {
    Moved,         // now in the destination
    Missing,       // vanished before its turn (or listed twice): nothing done
    Failed,        // the move failed (name taken in the destination, no access, not a
                   // regular file, ...)
    InDestination, // already in the destination folder: stays where it is
    Duplicate,     // the same file is in the destination under its name: left in place,
                   // or moved to the Trash when asked (trashed)
};

// What is done with a photo whose identical copy is in the destination already.
enum class DuplicateAction { Keep, Trash };

// A symbolic link among the files is moved as a link (what it points at stays where it
// is); a FIFO, socket or device named like a photo is never opened or moved: its row
// fails with the reason "not a regular file" and the run goes on.
struct GatheredFile {
    std::string path;   // line of "soubory.txt"
    std::string target; // destination + "/" + name
    GatherOutcome outcome = GatherOutcome::Missing;
    int error = 0;        // errno of a failed move, or a kFs code of FsResult
    std::string reason;   // why a Failed row was not moved, as text
    bool renamed = false; // its name was taken: moved under a numbered name (target)
    bool trashed = false; // a Duplicate moved to the Trash
};

struct GatherResult {
    std::size_t folderCount = 0;     // lines counted in "struktur.txt"
    std::vector<GatheredFile> files; // one per line of "soubory.txt", in order
    std::size_t movedCount = 0;
    std::size_t removedFolderCount = 0;
    std::size_t createdFolderCount = 0; // date folders made by the run
    std::size_t duplicateCount = 0;     // identical file in the destination
    std::size_t clashCount = 0;         // a different file under the name (renamed or not)
    // Text of a refused settings write; the files have moved all the same.
    std::string settingsError;
    // Why the run went without a journal (or its marks were not all written).
    std::string journalError;

    // At least one file was found: the settings were written and the list needs a refresh.
    bool anyFound() const { return !files.empty(); }
};

class ImageGatherer {
public:
    using GaugeCallback = std::function<void(int percent)>;

    // Both report files are written into reportFolder (created when missing).
    explicit ImageGatherer(std::string reportFolder);

    // Called after every file of the moving phase with the rounded percentage (ties to
    // even) and with 0 at the end.
    void setGauge(GaugeCallback gauge) { gauge_ = std::move(gauge); }
    // Where "Presun"/"adresar" and "Presun"/"podadr" are written after a run that found
    // a file. Empty (the default): no setting is written.
    void setSettingsPath(std::string path) { settingsPath_ = std::move(path); }
    // Also gather RAW camera files (after the JPEG files of each folder, in listing order).
    // Off by default: gathering moves JPEG files only.
    void setIncludeRaw(bool raw) { includeRaw_ = raw; }
    // The journal that records every move and removed folder of a run as one batch; none by
    // default. Used on the gathering's own thread only.
    void setJournal(Journal* journal) { journal_ = journal; }
    // Each photo into a date folder of the destination (created as needed), by the day it
    // was taken; nullopt (the default): all into the destination itself.
    void setDateFolders(std::optional<DateFolderPattern> pattern) {
        dateFolders_ = std::move(pattern);
    }
    // A photo whose name is taken by an identical file stays, or goes to the Trash.
    void setDuplicates(DuplicateAction action) { duplicates_ = action; }
    // A photo whose name is taken by a different file moves as NAME_1.jpg, NAME_2.jpg …
    // (the first free one) instead of staying.
    void setRenameClashes(bool rename) { renameClashes_ = rename; }

    std::string structureReportPath() const;
    std::string filesReportPath() const;
    std::string duplicatesReportPath() const;
    std::string clashesReportPath() const;

    // source: the folder exactly as typed (a trailing "/" stays part of it); destination:
    // the folder that receives the files. Files never replace anything in the destination;
    // when the destination lies inside the source tree, its own files stay and it is never
    // removed. Throws GatherIoError when a report file cannot be written (nothing moved).
    GatherResult GatherImages(const std::string& source, bool includeSubfolders,
                              const std::string& destination);

private:
    void setGaugePosition(int percent) const;

    std::string reportFolder_;
    std::string settingsPath_;
    GaugeCallback gauge_;
    bool includeRaw_ = false;
    Journal* journal_ = nullptr;
    std::optional<DateFolderPattern> dateFolders_;
    DuplicateAction duplicates_ = DuplicateAction::Keep;
    bool renameClashes_ = false;
};

// q / m × 100 rounded to the nearest integer, ties to even (m > 0).
int GaugePercent(std::size_t q, std::size_t m);

} // namespace kivo
