#include "photoops/gather.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "core/journal.h"
#include "core/settings.h"
#include "exif/container_kind.h"
#include "photoops/gather_folders.h"
#include "photoops/gather_plan.h"
#include "photoops/gather_report_file.h"
#include "photoops/photo_group.h"
#include "platform/file_system.h"
#include "platform/gui/trash.h"
#include "platform/path_at.h"

namespace kivo {

namespace fs = std::filesystem;

using namespace gathering;

namespace {

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// The folder part of a listed file: everything up to and including its last "/".
std::string folderPartOf(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

// Every folder made by the run: its journal row, and how making it went.
struct FolderMake {
    std::size_t row = std::string::npos;
    bool tried = false;
    std::string failure;
};
using FolderMakes = std::map<std::string, FolderMake>;

// Makes the date folders a photo needs (those another photo has not made already); the
// reason when one cannot be made.
std::string makeFolders(const std::vector<std::string>& toMake, FolderMakes& makes,
                        JournalBatch* batch, GatherResult& result) {
    for (const std::string& dir : toMake) {
        FolderMake& mk = makes[dir];
        if (!mk.tried) {
            mk.tried = true;
            struct stat st {};
            if (::mkdir(dir.c_str(), 0777) == 0) {
                ++result.createdFolderCount;
                if (batch && mk.row != std::string::npos)
                    batch->done(mk.row, StampOf(dir));
            } else if (errno == EEXIST && ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                // Made by someone else meanwhile: used, but not ours to remove.
                if (batch && mk.row != std::string::npos)
                    batch->notDone(mk.row, "exists");
            } else {
                mk.failure = errno == EEXIST ? "not a folder: " + dir
                                             : std::string(std::strerror(errno)) + ": " + dir;
                if (batch && mk.row != std::string::npos)
                    batch->notDone(mk.row, mk.failure);
            }
        }
        if (!mk.failure.empty())
            return mk.failure;
    }
    return {};
}

// Moves a duplicate to the Trash and records where the Trash put it, so that undo can
// bring it back.
void trashDuplicate(GatheredFile& g, JournalBatch* batch, std::size_t row) {
    struct stat st {};
    const bool known = ::lstat(g.path.c_str(), &st) == 0;
    const TrashOutcome out = MoveToTrash(g.path);
    if (!out.ok) {
        g.reason = "not moved to the Trash: " + out.reason;
        if (batch && row != std::string::npos)
            batch->notDone(row, g.reason);
        return;
    }
    g.trashed = true;
    if (!batch || row == std::string::npos)
        return;
    const std::optional<TrashedEntry> where =
        known ? FindTrashedEntry(g.path, st.st_dev, st.st_ino) : std::nullopt;
    if (where)
        batch->doneAt(row, StampOf(where->filesPath), where->filesPath, where->infoPath,
                      where->infoData);
    else
        batch->done(row, {});
}

} // namespace

GatherIoError::GatherIoError(int error, const std::string& path)
    : std::runtime_error(std::string(std::strerror(error)) + ": " + path), error_(error) {}

std::vector<std::string> ListFolderTree(const std::string& start) {
    std::vector<std::string> folders;
    if (!DirectoryExists(start))
        return folders;
    folders.push_back(start);
    // The list itself is the queue: folders[index] is the folder being listed.
    for (std::size_t index = 0; index < folders.size(); ++index) {
        const std::string current = folders[index];
        UniqueFd fd = OpenFolder(current);
        if (!fd)
            continue;
        const std::unique_ptr<DIR, DirCloser> d(::fdopendir(fd.get()));
        if (!d)
            continue;
        fd.release(); // the stream owns it now
        std::string previous;
        bool first = true;
        while (const dirent* e = ::readdir(d.get())) {
            const std::string_view name = e->d_name;
            // A listing that repeats a name would never end on some file systems.
            if (!first && previous == name)
                break;
            first = false;
            previous = name;
            if (name == "." || name == ".." || IsCopyTempName(name))
                continue;
            // Only folders of their own: a link to a folder is never entered. The entry's
            // type comes with the listing; only a file system that leaves it out is asked.
            bool isDir = e->d_type == DT_DIR;
            if (e->d_type == DT_UNKNOWN) {
                struct stat st {};
                isDir = ::fstatat(::dirfd(d.get()), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                        S_ISDIR(st.st_mode);
            }
            if (isDir)
                folders.push_back(current + "/" + e->d_name);
        }
    }
    return folders;
}

void WalkFolderTree(const std::string& start, const std::string& listFile) {
    const std::vector<std::string> folders = ListFolderTree(start);
    if (folders.empty())
        return;
    ReportAppender out(listFile);
    for (const std::string& f : folders)
        out.line(f);
    out.close();
}

int GaugePercent(std::size_t q, std::size_t m) {
    const std::size_t num = q * 100;
    std::size_t percent = num / m;
    const std::size_t twiceRest = 2 * (num % m);
    if (twiceRest > m || (twiceRest == m && percent % 2 == 1))
        ++percent;
    return static_cast<int>(percent);
}

ImageGatherer::ImageGatherer(std::string reportFolder) : reportFolder_(std::move(reportFolder)) {}

std::string ImageGatherer::structureReportPath() const {
    return reportFolder_ + "/" + kStructureReportName;
}

std::string ImageGatherer::filesReportPath() const {
    return reportFolder_ + "/" + kFilesReportName;
}

std::string ImageGatherer::duplicatesReportPath() const {
    return reportFolder_ + "/" + kDuplicatesReportName;
}

std::string ImageGatherer::clashesReportPath() const {
    return reportFolder_ + "/" + kClashesReportName;
}

void ImageGatherer::setGaugePosition(int percent) const {
    if (gauge_)
        gauge_(percent);
}

GatherResult ImageGatherer::GatherImages(const std::string& source, bool includeSubfolders,
                                         const std::string& destination) {
    GatherResult result;
    {
        // The data folder may not exist yet on a first run; creating the reports reports
        // any real problem.
        std::error_code ec;
        fs::create_directories(reportFolder_, ec);
    }
    const std::string structurePath = structureReportPath();
    const std::string filesPath = filesReportPath();
    CreateEmptyFile(structurePath);
    CreateEmptyFile(filesPath);
    CreateEmptyFile(duplicatesReportPath());
    CreateEmptyFile(clashesReportPath());

    // Phase 1: the folders to search. The paths stay in memory as well, so no line is
    // read back from the report (and a name holding a line break cannot split a path).
    std::vector<std::string> folders;
    if (includeSubfolders)
        folders = ListFolderTree(source);
    else
        folders.push_back(source);
    {
        ReportAppender out(structurePath);
        for (const std::string& f : folders)
            out.line(f);
        out.close();
    }
    const bool onlyEmptyLine = folders.size() == 1 && folders.front().empty();
    result.folderCount = onlyEmptyLine ? 0 : folders.size();
    if (result.folderCount == 0)
        return result;

    // Phase 2: the image files, "*.jpg" before "*.jpeg" in every folder, from one reading
    // of each folder. A journal's intent takes its stamps from there too.
    const bool destinationUsable =
        !destination.empty() && destination.front() == '/' && DirectoryExists(destination);
    const bool journaled = journal_ && destinationUsable;
    const std::optional<FolderId> destinationId =
        destinationUsable ? FolderIdOf(destination) : std::nullopt;
    std::vector<Found> found;
    std::vector<FileStamp> folderStamps(journaled ? folders.size() : 0);
    {
        ReportAppender out(filesPath);
        for (std::size_t fi = 0; fi < folders.size(); ++fi) {
            const std::string& folder = folders[fi];
            FolderListing listing = ListGatherFolder(folder, includeRaw_, journaled);
            if (journaled)
                folderStamps[fi] = listing.stamp;
            const bool inDestination = destinationId && listing.id == destinationId;
            const std::size_t firstHere = found.size();
            auto take = [&](ListedName& e) {
                std::string path = folder + "/" + e.name;
                out.line(path);
                found.push_back({std::move(path), folder.size() + 1, fi, inDestination, false,
                                 std::string::npos, e.stamp, e.type});
            };
            for (auto* kind : {&listing.jpg, &listing.jpeg, &listing.raw})
                for (ListedName& e : *kind)
                    take(e);
            // The XMP sidecars of the photos found here go with them, right after them.
            if (found.size() == firstHere || listing.xmp.empty())
                continue;
            std::vector<std::string> names;
            for (std::size_t k = firstHere; k < found.size(); ++k)
                names.push_back(found[k].path.substr(found[k].nameStart));
            const std::size_t photos = names.size();
            std::map<std::string_view, const ListedName*> sidecars;
            for (const ListedName& e : listing.xmp)
                names.push_back(e.name);
            for (const ListedName& e : listing.xmp)
                sidecars.emplace(e.name, &e);
            std::set<std::string> added;
            const CompanionIndex companions(names);
            for (std::size_t k = 0; k < photos; ++k) {
                for (std::string& c : companions.of(names[k])) {
                    if (IsPhotoName(c) || !added.insert(c).second)
                        continue;
                    std::string path = folder + "/" + c;
                    out.line(path);
                    const auto it = sidecars.find(c);
                    const bool listed = it != sidecars.end();
                    found.push_back({std::move(path), folder.size() + 1, fi, inDestination, false,
                                     firstHere + k, listed ? it->second->stamp : FileStamp{},
                                     listed ? it->second->type : mode_t{0}});
                }
            }
        }
        out.close();
    }
    if (found.empty())
        return result;
    // Files of one folder are listed together; its last one is followed by another folder's.
    for (std::size_t i = 0; i < found.size(); ++i)
        found[i].lastInFolder =
            i + 1 == found.size() || found[i + 1].folderIndex != found[i].folderIndex;

    // Phase 3: where each file goes, then moving with the gauge after every file.
    // Temporary files that a killed run left in the destination go first.
    if (destinationUsable)
        RemoveLeftoverCopies(destination);
    const std::size_t m = found.size();
    result.files.reserve(m);
    std::vector<Target> targets =
        PlanTargets(found, folders, destination, destinationUsable, dateFolders_, renameClashes_);
    FolderMakes makes;
    {
        ReportAppender dups(duplicatesReportPath());
        ReportAppender clashes(clashesReportPath());
        for (std::size_t i = 0; i < m; ++i) {
            if (targets[i].plan == Plan::Duplicate)
                dups.line(found[i].path);
            else if (targets[i].plan == Plan::Clash ||
                     (targets[i].renamed && !targets[i].withPhoto))
                clashes.line(found[i].path);
        }
        dups.close();
        clashes.close();
    }
    // Intent of every move and of every folder removal that may follow, in run order.
    std::vector<std::size_t> moveRow(m, std::string::npos);
    std::vector<std::size_t> folderRow(m, std::string::npos);
    std::unique_ptr<JournalBatch> batch;
    if (journal_ && destinationUsable) {
        std::vector<JournalRow> intent;
        intent.reserve(m + folders.size());
        std::set<std::string> makeWritten;
        for (std::size_t i = 0; i < m; ++i) {
            const Found& f = found[i];
            const Target& t = targets[i];
            for (const std::string& dir : t.toMake) {
                if (t.plan != Plan::Move || !makeWritten.insert(dir).second)
                    continue;
                JournalRow row;
                row.op = RowOp::MakeDir;
                row.newPath = dir;
                makes[dir].row = intent.size();
                intent.push_back(std::move(row));
            }
            const bool trash = t.plan == Plan::Duplicate && duplicates_ == DuplicateAction::Trash;
            if (t.plan == Plan::Move || trash) {
                JournalRow row;
                row.op = trash ? RowOp::Trash : RowOp::Move;
                row.oldPath = f.path;
                // A Trash names its entry itself: the place is written once it is done.
                row.newPath = trash ? std::string() : t.path;
                row.before = f.stamp;
                moveRow[i] = intent.size();
                intent.push_back(std::move(row));
            }
            if (f.lastInFolder && !f.inDestination && !t.keepFolder) {
                JournalRow row;
                row.op = RowOp::RemoveDir;
                row.oldPath = folderPartOf(f.path);
                row.before = folderStamps[f.folderIndex];
                folderRow[i] = intent.size();
                intent.push_back(std::move(row));
            }
        }
        batch = BeginBatch(journal_, BatchKind::Gather, destination, std::move(intent),
                           &result.journalError);
    }
    bool folderTried = false; // a file of the current folder existed when its turn came
    FolderMover mover;
    for (std::size_t q = 1; q <= m; ++q) {
        Found& f = found[q - 1];
        Target& t = targets[q - 1];
        GatheredFile g;
        bool keptFile = false;
        const std::string& folder = folders[f.folderIndex];
        const std::string name = f.path.substr(f.nameStart);
        g.path = std::move(f.path);
        g.target = std::move(t.path);
        // The entry itself: a link is moved as a link, whatever it points at.
        const bool stays = f.inDestination || t.plan == Plan::Stay;
        // A file or link that only moves was looked at by the listing; the rename itself tells
        // when it has gone since. Anything else is looked at again now.
        const bool quick = !stays && destinationUsable && t.plan == Plan::Move &&
                           (S_ISREG(f.type) || S_ISLNK(f.type));
        struct stat st {};
        const bool there = !stays && (quick || mover.look(folder, name, st));
        if (quick)
            st.st_mode = f.type;
        auto fail = [&g](const FsResult& r) {
            g.outcome = GatherOutcome::Failed;
            g.error = r.error;
            g.reason = r.message();
        };
        if (stays) {
            g.outcome = GatherOutcome::InDestination;
        } else if (!there || S_ISDIR(st.st_mode)) {
            g.outcome = GatherOutcome::Missing;
        } else {
            const bool triedBefore = folderTried;
            folderTried = true;
            if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
                // A FIFO named like a photo would block whoever reads it.
                fail(FsResult{false, kFsNotRegularFile});
            } else if (!destinationUsable) {
                fail(FsResult{false, ENOENT, true});
            } else if (t.plan == Plan::Unusable) {
                g.outcome = GatherOutcome::Failed;
                g.error = ENOTDIR;
                g.reason = t.reason;
            } else if (t.plan == Plan::Clash) {
                g.outcome = GatherOutcome::Failed;
                g.error = EEXIST;
                g.reason = "name taken";
                ++result.clashCount;
            } else if (t.plan == Plan::Duplicate) {
                g.outcome = GatherOutcome::Duplicate;
                ++result.duplicateCount;
                if (duplicates_ == DuplicateAction::Trash)
                    trashDuplicate(g, batch.get(), moveRow[q - 1]);
            } else if (const std::string why = makeFolders(t.toMake, makes, batch.get(), result);
                       !why.empty()) {
                g.outcome = GatherOutcome::Failed;
                g.error = ENOTDIR;
                g.reason = why;
            } else if (const FsResult moved = mover.move(folder, name, g.target, keptFile)) {
                g.outcome = GatherOutcome::Moved;
                g.renamed = t.renamed;
                result.clashCount += t.renamed && !t.withPhoto;
                ++result.movedCount;
            } else if (quick && moved.error == ENOENT && !mover.look(folder, name, st)) {
                g.outcome = GatherOutcome::Missing; // gone since the listing
                folderTried = triedBefore;
            } else {
                fail(moved);
                if (moved.error == EEXIST)
                    g.reason = "name taken";
            }
        }
        if (batch && moveRow[q - 1] != std::string::npos && g.outcome != GatherOutcome::Duplicate) {
            // A rename keeps the entry that the listing stamped.
            const FileStamp kept = quick ? f.stamp : StampOfStat(st);
            if (g.outcome == GatherOutcome::Moved)
                batch->done(moveRow[q - 1], keptFile ? kept : StampOf(g.target));
            else
                batch->notDone(moveRow[q - 1], g.reason);
        }
        // A folder can only be empty once its last listed file has had its turn, as every
        // file listed after another one of the same folder is still in it. So the removal
        // is tried there, and only succeeds when the folder is empty.
        if (f.lastInFolder) {
            const bool removed = folderTried && !t.keepFolder && RemoveDir(folderPartOf(g.path));
            if (removed)
                ++result.removedFolderCount;
            if (batch && folderRow[q - 1] != std::string::npos) {
                if (removed)
                    batch->done(folderRow[q - 1], {});
                else
                    batch->notDone(folderRow[q - 1], "not empty");
            }
            folderTried = false;
        }
        result.files.push_back(std::move(g));
        setGaugePosition(GaugePercent(q, m));
    }
    if (batch) {
        batch->finish();
        if (!batch->error().empty())
            result.journalError = batch->error();
    }
    setGaugePosition(0);

    if (!settingsPath_.empty()) {
        try {
            WriteIniString(settingsPath_, "Presun", "adresar", source);
            WriteIniBool(settingsPath_, "Presun", "podadr", includeSubfolders);
        } catch (const IniWriteError& e) {
            result.settingsError = e.what();
        }
    }
    return result;
}

} // namespace kivo
