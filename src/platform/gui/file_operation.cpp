// The steps of FileOperationJob: the run over its entries, moving, replacing, renaming
// and deleting to the Trash.

#include "platform/gui/file_operation.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "platform/file_system.h"
#include "platform/gui/file_operation_posix.h"
#include "platform/gui/trash.h"

namespace kivo {

namespace {

using fileop::CopyModeAndTimes;
using fileop::Lstat;
using fileop::Reason;

std::string JoinPath(const std::string& dir, const std::string& name) {
    return IncludeTrailingSlash(dir) + name;
}

// Names in a folder, "." and ".." left out, sorted so that runs are repeatable.
bool ListNames(const std::string& dir, std::vector<std::string>& names) {
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), &::closedir);
    if (!d)
        return false;
    errno = 0;
    while (const dirent* e = ::readdir(d.get())) {
        const std::string n = e->d_name;
        if (n != "." && n != "..")
            names.push_back(n);
    }
    if (errno != 0)
        return false;
    std::sort(names.begin(), names.end());
    return true;
}

// Whether `inner` is `outer` itself or lies below it, symbolic links resolved.
bool IsSameOrInside(const std::string& outer, const std::string& inner) {
    std::error_code ec;
    const auto o = std::filesystem::weakly_canonical(outer, ec);
    if (ec)
        return false;
    const auto i = std::filesystem::weakly_canonical(inner, ec);
    if (ec)
        return false;
    const std::string os = o.string();
    const std::string is = i.string();
    return is == os || (is.size() > os.size() && is.compare(0, os.size(), os) == 0 &&
                        (os.back() == '/' || is[os.size()] == '/'));
}

} // namespace

std::string FileOperationMessage(const std::string& what, const std::string& path,
                                 const std::string& reason) {
    return what + " \"" + path + "\": " + reason;
}

FileOperationJob::FileOperationJob(ShellFunc func, std::vector<std::string> sources,
                                   std::vector<std::string> targets,
                                   FileOperationQuestions& questions, FileOperationOptions options)
    : func_(func), sources_(std::move(sources)), targets_(std::move(targets)),
      questions_(questions), options_(std::move(options)) {
    for (auto& s : sources_)
        s = ExcludeTrailingSlash(s);
    for (auto& t : targets_)
        t = ExcludeTrailingSlash(t);
}

std::string FileOperationJob::FreeCopyName(const std::string& path) {
    const std::string dir = ExtractFileDir(path);
    const std::string name = ExtractFileName(path);
    std::string base = name;
    std::string ext;
    const auto st = Lstat(path);
    const bool isDir = st && S_ISDIR(st->st_mode);
    const auto dot = name.rfind('.');
    if (!isDir && dot != std::string::npos && dot > 0) {
        base = name.substr(0, dot);
        ext = name.substr(dot);
    }
    const std::string prefix = dir.empty() ? std::string() : IncludeTrailingSlash(dir);
    for (int n = 1;; ++n) {
        const std::string candidate = prefix + base + " - Copy" +
                                      (n == 1 ? std::string() : " (" + std::to_string(n) + ")") +
                                      ext;
        if (!Lstat(candidate))
            return candidate;
    }
}

FileOperationResult FileOperationJob::Run() {
    started_ = false;
    RunEntries();
    if (started_ && options_.finished)
        options_.finished();
    return result_;
}

void FileOperationJob::Start() {
    started_ = true;
    if (options_.started)
        options_.started();
}

FileOperationResult FileOperationJob::RunEntries() {
    result_ = {};
    done_ = 0;
    const std::size_t n = sources_.size();
    if (func_ == ShellFunc::Delete) {
        if (n == 0)
            return result_;
        if (!questions_.ConfirmTrash(sources_)) {
            result_.cancelled = true;
            return result_;
        }
        Start();
        total_ = n;
        for (std::size_t i = 0; i < n; ++i) {
            moreToCome_ = i + 1 < n;
            if (!Tick(sources_[i])) {
                result_.cancelled = true;
                break;
            }
            const Status s = TrashOne(sources_[i]);
            ++done_;
            if (s == Status::Done)
                ++result_.done;
            if (s == Status::Done && options_.trashed)
                options_.trashed(i);
            if (s == Status::Cancelled) {
                result_.cancelled = true;
                break;
            }
        }
        return result_;
    }

    std::vector<std::string> targets;
    if (targets_.size() == n) {
        targets = targets_;
    } else if (targets_.size() == 1 && DirectoryExists(targets_[0])) {
        for (const auto& s : sources_)
            targets.push_back(JoinPath(targets_[0], ExtractFileName(s)));
    } else {
        moreToCome_ = false;
        Fail("The list of targets does not match the list of sources.");
        return result_;
    }
    Start();

    total_ = 0;
    if (func_ == ShellFunc::Copy) {
        for (const auto& s : sources_)
            total_ += Weigh(s);
    } else {
        total_ = n;
    }
    for (std::size_t i = 0; i < n; ++i) {
        moreToCome_ = i + 1 < n;
        if (!Tick(sources_[i])) {
            result_.cancelled = true;
            break;
        }
        Status s;
        if (func_ == ShellFunc::Rename)
            s = RenameOne(sources_[i], targets[i]);
        else
            s = Transfer(sources_[i], targets[i], func_ == ShellFunc::Move);
        if (func_ != ShellFunc::Copy)
            ++done_;
        if (s == Status::Done)
            ++result_.done;
        if (s == Status::Cancelled) {
            result_.cancelled = true;
            break;
        }
    }
    Tick({});
    return result_;
}

void FileOperationJob::Advance(std::uint64_t amount) {
    // Copies are weighed in bytes; other runs count their top-level entries.
    if (func_ == ShellFunc::Copy)
        done_ += amount;
}

bool FileOperationJob::Tick(const std::string& current) {
    return questions_.Progress(std::min(done_, total_), total_, current);
}

std::uint64_t FileOperationJob::Weigh(const std::string& path) const {
    const auto st = Lstat(path);
    if (!st)
        return 1;
    if (S_ISDIR(st->st_mode)) {
        std::uint64_t w = 1;
        std::vector<std::string> names;
        if (ListNames(path, names))
            for (const auto& name : names)
                w += Weigh(JoinPath(path, name));
        return w;
    }
    return 1 + (S_ISREG(st->st_mode) ? static_cast<std::uint64_t>(st->st_size) : 0);
}

FileOperationJob::Status FileOperationJob::Fail(const std::string& message) {
    ++result_.failed;
    const bool more = moreToCome_ || depth_ > 0;
    return questions_.ReportError(message, more) == ErrorChoice::Cancel ? Status::Cancelled
                                                                        : Status::Failed;
}

FileOperationJob::Status FileOperationJob::Transfer(const std::string& srcIn,
                                                    const std::string& dstIn, bool move) {
    const std::string src = srcIn;
    std::string dst = dstIn;
    const char* verb = move ? "Cannot move" : "Cannot copy";
    const auto srcSt = Lstat(src);
    if (!srcSt)
        return Fail(FileOperationMessage(verb, src, Reason(errno)));
    const bool srcIsDir = S_ISDIR(srcSt->st_mode);

    if (std::filesystem::path(src).lexically_normal() ==
        std::filesystem::path(dst).lexically_normal()) {
        if (move)
            return Status::Done; // moving an entry onto itself changes nothing
        dst = FreeCopyName(src);
    }
    if (srcIsDir && IsSameOrInside(src, dst))
        return Fail(
            FileOperationMessage(verb, src, "the destination folder is inside the source folder"));

    const auto dstSt = Lstat(dst);
    if (dstSt) {
        if (dstSt->st_dev == srcSt->st_dev && dstSt->st_ino == srcSt->st_ino)
            return Fail(FileOperationMessage(verb, src,
                                             "the source and the destination are the same entry"));
        ReplaceQuestion q;
        q.source = src;
        q.target = dst;
        q.sourceIsDir = srcIsDir;
        q.targetIsDir = S_ISDIR(dstSt->st_mode);
        q.sourceSize = static_cast<std::uint64_t>(srcSt->st_size);
        q.targetSize = static_cast<std::uint64_t>(dstSt->st_size);
        q.sourceTime = srcSt->st_mtim.tv_sec;
        q.targetTime = dstSt->st_mtim.tv_sec;
        q.moreToCome = moreToCome_ || depth_ > 0;
        const bool merge = q.sourceIsDir && q.targetIsDir;
        bool& have = merge ? haveDirAnswer_ : haveFileAnswer_;
        ReplaceChoice& stored = merge ? dirAnswer_ : fileAnswer_;
        ReplaceChoice choice = stored;
        if (!have) {
            const ReplaceAnswer a = questions_.AskReplace(q);
            choice = a.choice;
            if (a.forAll && choice != ReplaceChoice::Cancel) {
                have = true;
                stored = choice;
            }
        }
        if (choice == ReplaceChoice::Cancel)
            return Status::Cancelled;
        if (choice == ReplaceChoice::Skip) {
            ++result_.skipped;
            return Status::Skipped;
        }
        return Replace(src, dst, move);
    }

    if (!move)
        return CopyNew(src, dst);

    const FsResult r = RenameNoReplace(src, dst);
    if (r)
        return Status::Done;
    if (r.error == EXDEV && !srcIsDir) {
        // Onto another file system a file is copied under a temporary name (with progress
        // and cancel), synced, renamed into place, and only then the source removed; a
        // link is recreated as a link. Exactly one of the two stays when that fails.
        std::uint64_t reported = 0;
        return Finish(MoveNoReplace(src, dst, CopyProgressFor(src, reported)), verb, src, dst);
    }
    if (r.error == EXDEV && srcIsDir) {
        // A folder cannot be renamed onto another file system: move what it holds.
        if (::mkdir(dst.c_str(), 0700) != 0)
            return Fail(FileOperationMessage("Cannot create folder", dst, Reason(errno)));
        const Status s = TransferChildren(src, dst, true);
        CopyModeAndTimes(dst, *srcSt);
        if (s == Status::Done)
            ::rmdir(src.c_str()); // stays when skipped entries are still inside
        return s;
    }
    return Fail(FileOperationMessage(verb, src, r.message()));
}

FileOperationJob::Status FileOperationJob::TransferChildren(const std::string& srcDir,
                                                            const std::string& dstDir, bool move) {
    std::vector<std::string> names;
    if (!ListNames(srcDir, names))
        return Fail(FileOperationMessage("Cannot read folder", srcDir, Reason(errno)));
    ++depth_;
    Status result = Status::Done;
    for (const auto& name : names) {
        const Status s = Transfer(JoinPath(srcDir, name), JoinPath(dstDir, name), move);
        if (s == Status::Cancelled) {
            result = s;
            break;
        }
    }
    --depth_;
    return result;
}

FileOperationJob::Status FileOperationJob::Replace(const std::string& src, const std::string& dst,
                                                   bool move) {
    const auto srcSt = Lstat(src);
    const auto dstSt = Lstat(dst);
    if (!srcSt || !dstSt)
        return Fail(FileOperationMessage("Cannot replace", dst, Reason(errno)));
    const bool srcIsDir = S_ISDIR(srcSt->st_mode);
    const bool dstIsDir = S_ISDIR(dstSt->st_mode);
    if (srcIsDir && dstIsDir) {
        const Status s = TransferChildren(src, dst, move);
        if (move && s == Status::Done)
            ::rmdir(src.c_str()); // stays when skipped entries are still inside
        return s;
    }
    if (srcIsDir != dstIsDir)
        return Fail(FileOperationMessage("Cannot replace", dst,
                                         "a folder and a file cannot replace each other"));
    if (options_.trashReplaced && (move || S_ISREG(srcSt->st_mode) || S_ISLNK(srcSt->st_mode))) {
        if (const TrashOutcome trashed = MoveToTrash(dst); !trashed.ok)
            return Fail(FileOperationMessage("Cannot move to the Trash", dst, trashed.reason));
        return Transfer(src, dst, move); // onto the free name now
    }
    if (move) {
        // The old file is only replaced by a complete, synced copy.
        std::uint64_t reported = 0;
        return Finish(MoveReplacing(src, dst, CopyProgressFor(src, reported)), "Cannot move", src,
                      dst);
    }
    if (!S_ISREG(srcSt->st_mode))
        return Fail(FileOperationMessage("Cannot copy", src, "not a regular file"));
    return CopyFileContents(src, dst, true);
}

FileOperationJob::Status FileOperationJob::TrashOne(const std::string& path) {
    if (!Lstat(path))
        return Status::Done; // already gone: nothing left to throw away
    const TrashOutcome trashed = MoveToTrash(path);
    if (trashed.ok)
        return Status::Done;
    return Fail(FileOperationMessage("Cannot move to the Trash", path, trashed.reason));
}

FileOperationJob::Status FileOperationJob::RenameOne(const std::string& src,
                                                     const std::string& dst) {
    if (src == dst)
        return Status::Done;
    const FsResult r = RenameNoReplace(src, dst);
    if (r)
        return Status::Done;
    if (r.error == EEXIST || r.error == ENOTEMPTY)
        return Fail(
            FileOperationMessage("Cannot rename", src,
                                 "an entry named \"" + ExtractFileName(dst) + "\" already exists"));
    return Fail(FileOperationMessage("Cannot rename", src, r.message()));
}

} // namespace kivo
