// Renames and moves that never replace, and copies that are safe against a crash: the
// data is written under a temporary name beside the target, synced, renamed into place
// and the folder synced before the source goes. A killed run leaves at most a temporary
// file, which the next run into that folder removes.

#include <cerrno>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/copy_temp.h"
#include "platform/file_system.h"
#include "platform/patched_copy.h"
#include "platform/path_at.h"
#include "platform/regular_file.h"

namespace kivo {

static_assert(kFsNotRegularFile == kNotRegularFile, "one code for a non-regular file");

namespace {

// Progress and cancel are looked at after every piece of this size.
constexpr std::size_t kChunk = 1 << 20;

FsResult Ok() {
    return FsResult{true, 0};
}
FsResult Fail(int err, bool atTarget = false) {
    return FsResult{false, err, atTarget};
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool RangeUnsupported(int err) {
    return err == EXDEV || err == ENOSYS || err == EINVAL || err == EOPNOTSUPP || err == EPERM ||
           err == EBADF;
}

// Copies in to out from their current offsets to the end of in.
FsResult CopyData(int in, int out, const CopyProgress& progress) {
    std::uint64_t done = 0;
    bool useRange = true;
    std::vector<char> buf;
    for (;;) {
        ssize_t got;
        if (useRange) {
            got = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                if (!RangeUnsupported(errno))
                    return Fail(errno, true);
                useRange = false;
                continue;
            }
        } else {
            if (buf.empty())
                buf.resize(kChunk);
            got = ::read(in, buf.data(), buf.size());
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return Fail(errno);
            }
            for (ssize_t off = 0; off < got;) {
                const ssize_t put =
                    ::write(out, buf.data() + off, static_cast<std::size_t>(got - off));
                if (put < 0) {
                    if (errno == EINTR)
                        continue;
                    return Fail(errno, true);
                }
                off += put;
            }
        }
        if (got == 0)
            return Ok();
        done += static_cast<std::uint64_t>(got);
        if (progress && !progress(done))
            return Fail(ECANCELED);
    }
}

bool FlagRefused(int err) {
    return err == EINVAL || err == ENOSYS || err == ENOTSUP || err == EOPNOTSUPP;
}

// Renames without replacing on a file system that does not know RENAME_NOREPLACE:
// a hard link cannot replace anything either; where there are no hard links (FAT through
// FUSE) the target is checked just before a plain rename.
FsResult RenameWithoutFlag(int fromDir, const char* from, int toDir, const char* to, bool isDir) {
    if (!isDir) {
        if (::linkat(fromDir, from, toDir, to, 0) == 0) {
            if (::unlinkat(fromDir, from, 0) != 0) {
                const int err = errno;
                ::unlinkat(toDir, to, 0);
                return Fail(err);
            }
            return Ok();
        }
        if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != EMLINK)
            return Fail(errno, errno == EEXIST);
    }
    struct stat st {};
    if (::fstatat(toDir, to, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return Fail(EEXIST, true);
    if (::renameat(fromDir, from, toDir, to) != 0)
        return Fail(errno);
    return Ok();
}

// Puts the finished temporary file under its name.
FsResult Publish(int dir, const std::string& temp, const std::string& name, bool replace) {
    if (replace)
        return ::renameat(dir, temp.c_str(), dir, name.c_str()) == 0 ? Ok() : Fail(errno, true);
    if (::renameat2(dir, temp.c_str(), dir, name.c_str(), RENAME_NOREPLACE) == 0)
        return Ok();
    if (!FlagRefused(errno))
        return Fail(errno, true);
    const FsResult r = RenameWithoutFlag(dir, temp.c_str(), dir, name.c_str(), false);
    return r ? r : Fail(r.error, true);
}

bool SyncFolder(int dir) {
    // Some file systems cannot sync a folder at all; that is no failure of ours.
    return ::fsync(dir) == 0 || errno == EINVAL || errno == EROFS;
}

struct Ends {
    FolderAndName src;
    FolderAndName dst;
    struct stat srcStat {}; // the source entry itself, links not followed
};

// Opens both folders and looks at the source; fails like the call would.
FsResult OpenEnds(const std::string& from, const std::string& to, Ends& ends) {
    if (from.empty() || to.empty())
        return Fail(ENOENT);
    ends.src = OpenParentFolder(from);
    if (!ends.src)
        return Fail(ends.src.error);
    if (::fstatat(ends.src.folder.get(), ends.src.name.c_str(), &ends.srcStat,
                  AT_SYMLINK_NOFOLLOW) != 0)
        return Fail(errno);
    ends.dst = OpenParentFolder(to);
    if (!ends.dst)
        return Fail(ends.dst.error, true);
    return Ok();
}

bool TargetTaken(const Ends& ends) {
    struct stat st {};
    return ::fstatat(ends.dst.folder.get(), ends.dst.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool SourceUnchanged(const Ends& ends, const struct stat& copied) {
    struct stat now {};
    return ::fstatat(ends.src.folder.get(), ends.src.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) ==
               0 &&
           SameFile(now, copied);
}

// Copies a regular file; with `move` the source is removed once the copy is safe.
FsResult CopyRegular(const Ends& ends, bool replace, bool move, const CopyProgress& progress) {
    const int srcDir = ends.src.folder.get();
    const int dstDir = ends.dst.folder.get();
    // Reopened without following a link and compared with what was looked at: a name
    // swapped in the meantime is not copied in place of the one the user chose.
    const RegularFile in = OpenRegularFileAt(srcDir, ends.src.name, O_RDONLY | O_NOFOLLOW);
    if (!in)
        return Fail(in.error == ELOOP ? kFsSourceChanged : in.error);
    struct stat st {};
    if (::fstat(in.fd.get(), &st) != 0)
        return Fail(errno);
    if (!SameFile(st, ends.srcStat))
        return Fail(kFsSourceChanged);

    RemoveLeftoversOnce(dstDir);
    TempFile temp;
    if (FsResult r = CreateTemp(dstDir, ends.dst.name, temp); !r)
        return r;
    auto abandon = [&](FsResult r) {
        temp.fd.reset();
        ::unlinkat(dstDir, temp.name.c_str(), 0);
        return r;
    };
    if (FsResult r = CopyData(in.fd.get(), temp.fd.get(), progress); !r)
        return abandon(r);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(temp.fd.get(), times) != 0)
        return abandon(Fail(errno, true));
    // FAT and some network shares have no Unix permissions: the contents still count.
    if (::fchmod(temp.fd.get(), st.st_mode & 07777) != 0 && errno != EPERM && errno != ENOTSUP &&
        errno != EOPNOTSUPP)
        return abandon(Fail(errno, true));
    if (::fsync(temp.fd.get()) != 0)
        return abandon(Fail(errno, true));
    if (move && !SourceUnchanged(ends, st))
        return abandon(Fail(kFsSourceChanged));
    // Published while still locked, so no cleaning run can take it for a leftover.
    if (FsResult r = Publish(dstDir, temp.name, ends.dst.name, replace); !r)
        return abandon(r);
    auto unpublish = [&](int err, bool atTarget) {
        if (!replace)
            ::unlinkat(dstDir, ends.dst.name.c_str(), 0);
        return Fail(err, atTarget);
    };
    if (::close(temp.fd.release()) != 0) // network file systems report late errors here
        return unpublish(errno, true);
    if (!SyncFolder(dstDir))
        return unpublish(errno, true);
    if (!move)
        return Ok();
    if (!SourceUnchanged(ends, st))
        return unpublish(kFsSourceChanged, false);
    if (::unlinkat(srcDir, ends.src.name.c_str(), 0) != 0)
        return unpublish(errno, false); // exactly one of the two stays
    SyncFolder(srcDir);
    return Ok();
}

// Moves a symbolic link as a link: the same target text under the new name.
FsResult MoveLink(const Ends& ends, bool replace) {
    const int srcDir = ends.src.folder.get();
    const int dstDir = ends.dst.folder.get();
    std::string target(static_cast<std::size_t>(ends.srcStat.st_size) + 1, '\0');
    for (;;) {
        const ssize_t len =
            ::readlinkat(srcDir, ends.src.name.c_str(), target.data(), target.size());
        if (len < 0)
            return Fail(errno == EINVAL ? kFsSourceChanged : errno);
        if (static_cast<std::size_t>(len) < target.size()) {
            target.resize(static_cast<std::size_t>(len));
            break;
        }
        target.resize(target.size() * 2);
    }
    if (replace && ::unlinkat(dstDir, ends.dst.name.c_str(), 0) != 0 && errno != ENOENT)
        return Fail(errno, true);
    if (::symlinkat(target.c_str(), dstDir, ends.dst.name.c_str()) != 0)
        return Fail(errno, true);
    const timespec times[2] = {ends.srcStat.st_atim, ends.srcStat.st_mtim};
    ::utimensat(dstDir, ends.dst.name.c_str(), times, AT_SYMLINK_NOFOLLOW);
    auto undo = [&](int err, bool atTarget) {
        ::unlinkat(dstDir, ends.dst.name.c_str(), 0);
        return Fail(err, atTarget);
    };
    if (!SyncFolder(dstDir))
        return undo(errno, true);
    if (!SourceUnchanged(ends, ends.srcStat))
        return undo(kFsSourceChanged, false);
    if (::unlinkat(srcDir, ends.src.name.c_str(), 0) != 0)
        return undo(errno, false);
    return Ok();
}

// The move across file systems, after a rename answered EXDEV.
FsResult MoveAcross(const std::string& from, const std::string& to, bool replace,
                    const CopyProgress& progress) {
    Ends ends;
    if (FsResult r = OpenEnds(from, to, ends); !r)
        return r;
    const mode_t mode = ends.srcStat.st_mode;
    if (S_ISDIR(mode))
        return Fail(EXDEV);
    // RENAME_NOREPLACE answers EXDEV before it looks at the target.
    if (!replace && TargetTaken(ends))
        return Fail(EEXIST, true);
    if (S_ISLNK(mode))
        return MoveLink(ends, replace);
    if (!S_ISREG(mode))
        return Fail(kFsNotRegularFile);
    return CopyRegular(ends, replace, true, progress);
}

} // namespace

std::string FsResult::message() const {
    if (ok)
        return std::string();
    if (error == kFsSourceChanged)
        return "replaced while being copied";
    if (error == kFsPatchMismatch)
        return "changed since it was read";
    if (error == kFsHardLinked)
        return "has other hard links";
    return OpenErrorText(error);
}

FsResult RenameNoReplace(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty())
        return Fail(ENOENT);
    const PathAt a(from);
    const PathAt b(to);
    if (::renameat2(a.dir(), a.name(), b.dir(), b.name(), RENAME_NOREPLACE) == 0)
        return Ok();
    const int err = errno;
    if (!FlagRefused(err))
        return Fail(err);
    struct stat st {};
    if (::fstatat(a.dir(), a.name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return Fail(errno);
    return RenameWithoutFlag(a.dir(), a.name(), b.dir(), b.name(), S_ISDIR(st.st_mode));
}

FsResult MoveNoReplace(const std::string& from, const std::string& to) {
    return MoveNoReplace(from, to, CopyProgress());
}

FsResult MoveNoReplace(const std::string& from, const std::string& to,
                       const CopyProgress& progress) {
    const FsResult r = RenameNoReplace(from, to);
    if (r.ok || r.error != EXDEV)
        return r;
    return MoveAcross(from, to, false, progress);
}

FsResult MoveReplacing(const std::string& from, const std::string& to,
                       const CopyProgress& progress) {
    if (from.empty() || to.empty())
        return Fail(ENOENT);
    {
        const PathAt a(from);
        const PathAt b(to);
        if (::renameat(a.dir(), a.name(), b.dir(), b.name()) == 0)
            return Ok();
        if (errno != EXDEV)
            return Fail(errno);
    }
    return MoveAcross(from, to, true, progress);
}

FsResult CopyFileSafely(const std::string& from, const std::string& to, CopyPublish publish,
                        const CopyProgress& progress) {
    Ends ends;
    if (FsResult r = OpenEnds(from, to, ends); !r)
        return r;
    if (!S_ISREG(ends.srcStat.st_mode))
        return Fail(S_ISDIR(ends.srcStat.st_mode) ? EISDIR : kFsNotRegularFile);
    const bool replace = publish == CopyPublish::Replace;
    if (!replace && TargetTaken(ends))
        return Fail(EEXIST, true);
    return CopyRegular(ends, replace, false, progress);
}

} // namespace kivo
