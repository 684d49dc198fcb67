#include "photoops/gather.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <string_view>

#include "core/journal.h"
#include "core/settings.h"
#include "exif/container_kind.h"
#include "photoops/photo_group.h"
#include "platform/file_system.h"

namespace kivo {

namespace fs = std::filesystem;

namespace {

int errnoOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

// Owns one open report file for appending; the run writes each report in one go and only
// closes it when the phase is done, so a report costs time in proportion to its size.
class ReportAppender {
public:
    explicit ReportAppender(const std::string& path) : path_(path) {
        errno = 0;
        file_ = std::fopen(path.c_str(), "ab");
        if (!file_)
            throw GatherIoError(errnoOr(EIO), path_);
        std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
    }
    ~ReportAppender() {
        if (file_)
            std::fclose(file_);
    }
    ReportAppender(const ReportAppender&) = delete;
    ReportAppender& operator=(const ReportAppender&) = delete;

    void line(std::string_view text) {
        errno = 0;
        if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() ||
            std::fwrite("\r\n", 1, 2, file_) != 2)
            throw GatherIoError(errnoOr(EIO), path_);
    }

    // Flushes and closes; a late write error (a full disk) surfaces here.
    void close() {
        std::FILE* f = file_;
        file_ = nullptr;
        errno = 0;
        if (std::fclose(f) != 0)
            throw GatherIoError(errnoOr(EIO), path_);
    }

private:
    std::string path_;
    std::FILE* file_ = nullptr;
};

// Calls onLine(text) for every line of the file until it returns false. A line ends at
// CR LF, LF or a lone CR; a last line without an ending counts when it is not empty.
template <class OnLine> void forEachLine(const std::string& path, OnLine onLine) {
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw GatherIoError(errnoOr(EIO), path);
    std::string current;
    bool afterCr = false;
    bool go = true;
    char buf[1 << 16];
    while (go) {
        const std::size_t got = std::fread(buf, 1, sizeof buf, f);
        if (got == 0)
            break;
        for (std::size_t i = 0; i < got && go; ++i) {
            const char c = buf[i];
            if (c == '\n' && afterCr) {
                afterCr = false; // second half of CR LF
                continue;
            }
            afterCr = false;
            if (c == '\r' || c == '\n') {
                afterCr = c == '\r';
                go = onLine(current);
                current.clear();
            } else {
                current.push_back(c);
            }
        }
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError)
        throw GatherIoError(EIO, path);
    if (go && !current.empty())
        onLine(current);
}

bool isDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

// Same folder on disk, however the two paths are spelled.
bool sameFolder(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

// The folder part of a listed file: everything up to and including its last "/".
std::string folderPartOf(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

} // namespace

GatherIoError::GatherIoError(int error, const std::string& path)
    : std::runtime_error(std::string(std::strerror(error)) + ": " + path), error_(error) {}

void CreateEmptyFile(const std::string& path) {
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw GatherIoError(errnoOr(EIO), path);
    if (std::fclose(f) != 0)
        throw GatherIoError(errnoOr(EIO), path);
}

void AppendLine(const std::string& text, const std::string& path) {
    ReportAppender out(path);
    out.line(text);
    out.close();
}

int CountLines(const std::string& path) {
    int n = 0;
    bool onlyEmpty = true;
    forEachLine(path, [&](const std::string& line) {
        ++n;
        onlyEmpty = onlyEmpty && line.empty();
        return true;
    });
    return n == 1 && onlyEmpty ? 0 : n;
}

std::string ReadLineN(int n, const std::string& path) {
    std::string result;
    if (n < 1)
        return result;
    int index = 0;
    forEachLine(path, [&](const std::string& line) {
        if (++index == n) {
            result = line;
            return false;
        }
        return true;
    });
    return result;
}

std::vector<std::string> ListFolderTree(const std::string& start) {
    std::vector<std::string> folders;
    if (!DirectoryExists(start))
        return folders;
    folders.push_back(start);
    // The list itself is the queue: folders[index] is the folder being listed.
    for (std::size_t index = 0; index < folders.size(); ++index) {
        const std::string current = folders[index];
        const std::vector<DirEntry> entries = EnumerateFolder(current, "*.*");
        const std::string* previous = nullptr;
        for (const DirEntry& e : entries) {
            // A listing that repeats a name would never end on some file systems.
            if (previous && *previous == e.name)
                break;
            previous = &e.name;
            if (isDotEntry(e.name))
                continue;
            // Only folders of their own: a link to a folder is never entered.
            if (e.isRealDir())
                folders.push_back(current + "/" + e.name);
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

    // Phase 2: the image files, "*.jpg" before "*.jpeg" in every folder.
    const bool destinationUsable =
        !destination.empty() && destination.front() == '/' && DirectoryExists(destination);
    struct Found {
        std::string path;
        std::size_t nameStart;
        std::size_t folderIndex;
        bool inDestination;
        bool lastInFolder = false;
    };
    std::vector<Found> found;
    {
        // RAW files, when asked for, in one more listing.
        static constexpr std::string_view kPatterns[] = {"*.jpg", "*.jpeg", "*"};
        ReportAppender out(filesPath);
        for (std::size_t fi = 0; fi < folders.size(); ++fi) {
            const std::string& folder = folders[fi];
            int inDestination = -1; // worked out once a folder has a match
            const std::size_t firstHere = found.size();
            for (std::string_view pattern : kPatterns) {
                if (pattern == "*" && !includeRaw_)
                    break;
                // Each entry was read with its attributes (links followed): a match that
                // is no folder exists as a file.
                for (const DirEntry& e : EnumerateFolder(folder, pattern)) {
                    if (e.isDir() || isDotEntry(e.name) || (pattern == "*" && !IsRawName(e.name)))
                        continue;
                    if (inDestination < 0)
                        inDestination = destinationUsable && sameFolder(folder, destination);
                    std::string path = folder + "/" + e.name;
                    out.line(path);
                    found.push_back({std::move(path), folder.size() + 1, fi, inDestination == 1});
                }
            }
            // The XMP sidecars of the photos found here go with them, right after them.
            if (found.size() == firstHere)
                continue;
            std::vector<std::string> names;
            for (std::size_t k = firstHere; k < found.size(); ++k)
                names.push_back(found[k].path.substr(found[k].nameStart));
            const std::size_t photos = names.size();
            for (const DirEntry& e : EnumerateFolder(folder, "*.xmp"))
                if (!e.isDir() && !isDotEntry(e.name))
                    names.push_back(e.name);
            std::set<std::string> added;
            for (std::size_t k = 0; k < photos; ++k) {
                for (std::string& c : CompanionsOf(names[k], names)) {
                    if (IsPhotoName(c) || !added.insert(c).second)
                        continue;
                    std::string path = folder + "/" + c;
                    out.line(path);
                    found.push_back({std::move(path), folder.size() + 1, fi, inDestination == 1});
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

    // Phase 3: moving, with the gauge after every file. Temporary files that a killed
    // run left in the destination go first.
    if (destinationUsable)
        RemoveLeftoverCopies(destination);
    const std::size_t m = found.size();
    result.files.reserve(m);
    // Intent of every move and of every folder removal that may follow, in run order.
    std::vector<std::size_t> moveRow(m, std::string::npos);
    std::vector<std::size_t> folderRow(m, std::string::npos);
    std::unique_ptr<JournalBatch> batch;
    if (journal_ && destinationUsable) {
        std::vector<JournalRow> intent;
        intent.reserve(m + folders.size());
        for (std::size_t i = 0; i < m; ++i) {
            const Found& f = found[i];
            if (!f.inDestination) {
                JournalRow row;
                row.op = RowOp::Move;
                row.oldPath = f.path;
                row.newPath = destination + "/" + f.path.substr(f.nameStart);
                row.before = StampOf(f.path);
                moveRow[i] = intent.size();
                intent.push_back(std::move(row));
            }
            if (f.lastInFolder && !f.inDestination) {
                JournalRow row;
                row.op = RowOp::RemoveDir;
                row.oldPath = folderPartOf(f.path);
                row.before = StampOf(row.oldPath);
                folderRow[i] = intent.size();
                intent.push_back(std::move(row));
            }
        }
        batch = BeginBatch(journal_, BatchKind::Gather, destination, std::move(intent),
                           &result.journalError);
    }
    bool folderTried = false; // a file of the current folder existed when its turn came
    for (std::size_t q = 1; q <= m; ++q) {
        const Found& f = found[q - 1];
        GatheredFile g;
        g.path = f.path;
        g.target = destination + "/" + f.path.substr(f.nameStart);
        // The entry itself: a link is moved as a link, whatever it points at.
        const std::optional<DirEntry> entry = f.inDestination ? std::nullopt : StatEntry(f.path);
        auto fail = [&g](const FsResult& r) {
            g.outcome = GatherOutcome::Failed;
            g.error = r.error;
            g.reason = r.message();
        };
        if (f.inDestination) {
            g.outcome = GatherOutcome::InDestination;
        } else if (!entry || entry->kind == EntryKind::Directory) {
            g.outcome = GatherOutcome::Missing;
        } else {
            folderTried = true;
            if (entry->kind == EntryKind::Other) {
                // A FIFO named like a photo would block whoever reads it.
                fail(FsResult{false, kFsNotRegularFile});
            } else if (!destinationUsable) {
                fail(FsResult{false, ENOENT, true});
            } else if (const FsResult moved = MoveNoReplace(f.path, g.target)) {
                g.outcome = GatherOutcome::Moved;
                ++result.movedCount;
            } else {
                fail(moved);
            }
        }
        if (batch && moveRow[q - 1] != std::string::npos) {
            if (g.outcome == GatherOutcome::Moved)
                batch->done(moveRow[q - 1], StampOf(g.target));
            else
                batch->notDone(moveRow[q - 1], g.reason);
        }
        // A folder can only be empty once its last listed file has had its turn, as every
        // file listed after another one of the same folder is still in it. So the removal
        // is tried there, and only succeeds when the folder is empty.
        if (f.lastInFolder) {
            const bool removed = folderTried && RemoveDir(folderPartOf(f.path));
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
