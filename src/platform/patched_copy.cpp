// The rewrite of a few bytes through a synced temporary copy renamed over the original.

#include "platform/patched_copy.h"

#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "platform/copy_temp.h"
#include "platform/path_at.h"
#include "platform/regular_file.h"

namespace kivo {

namespace {

FsResult Fail(int err, bool atTarget = false) {
    return FsResult{false, err, atTarget};
}

bool Same(const FileIdentity& a, const FileIdentity& b) {
    return a.dev == b.dev && a.ino == b.ino && a.size == b.size && a.mtimeNs == b.mtimeNs;
}

bool Tolerated(int err) {
    // USB sticks and network shares have no owners, modes or attributes of their own.
    return err == EPERM || err == ENOTSUP || err == EOPNOTSUPP || err == EINVAL;
}

bool PreadFull(int fd, std::uint8_t* out, std::size_t n, std::int64_t offset) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd, out + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool PwriteFull(int fd, const std::uint8_t* in, std::size_t n, std::int64_t offset) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = ::pwrite(fd, in + done, n - done, static_cast<off_t>(offset + done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

FsResult CopyAll(int in, int out, std::uint64_t size) {
    std::uint64_t done = 0;
    while (done < size) {
        loff_t from = static_cast<loff_t>(done);
        const ssize_t got = ::copy_file_range(in, &from, out, nullptr, size - done, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // not supported here, or the file ended early: read and write the rest
        done += static_cast<std::uint64_t>(got);
    }
    std::vector<std::uint8_t> buf;
    while (done < size) {
        if (buf.empty())
            buf.resize(1 << 20);
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), size - done));
        if (!PreadFull(in, buf.data(), n, static_cast<std::int64_t>(done)))
            return Fail(kFsSourceChanged);
        if (!PwriteFull(out, buf.data(), n, static_cast<std::int64_t>(done)))
            return Fail(errno, true);
        done += n;
    }
    return FsResult{true, 0};
}

// The user's extended attributes (tags, ratings, origin URLs of desktop programs).
void CopyUserAttributes(int in, int out) {
    const ssize_t listSize = ::flistxattr(in, nullptr, 0);
    if (listSize <= 0)
        return;
    std::vector<char> names(static_cast<std::size_t>(listSize));
    const ssize_t got = ::flistxattr(in, names.data(), names.size());
    if (got <= 0)
        return;
    std::vector<char> value;
    for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
        const std::string name(names.data() + at);
        at += name.size() + 1;
        if (name.rfind("user.", 0) != 0)
            continue;
        const ssize_t n = ::fgetxattr(in, name.c_str(), nullptr, 0);
        if (n < 0)
            continue;
        value.resize(static_cast<std::size_t>(n));
        const ssize_t v = ::fgetxattr(in, name.c_str(), value.data(), value.size());
        if (v >= 0)
            ::fsetxattr(out, name.c_str(), value.data(), static_cast<std::size_t>(v), 0);
    }
}

} // namespace

FileIdentity IdentityOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

FsResult WritePatchedCopy(const std::string& path, int fd, const FileIdentity& expected,
                          std::span<const BytePatch> patches, const PatchOptions& options,
                          FileIdentity* written) {
    const PatchStageHook& hook = options.hook;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return Fail(errno);
    if (!S_ISREG(st.st_mode))
        return Fail(kFsNotRegularFile);
    if (!Same(IdentityOf(st), expected))
        return Fail(kFsSourceChanged);
    if (st.st_nlink > 1)
        return Fail(kFsHardLinked);
    // Another run of ours rewriting or retiming the same file holds this lock.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return Fail(errno);
    const FolderAndName at = OpenParentFolder(path);
    if (!at)
        return Fail(at.error);
    const int dir = at.folder.get();
    auto nameIsFile = [&] {
        struct stat now {};
        return ::fstatat(dir, at.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
               now.st_dev == st.st_dev && now.st_ino == st.st_ino;
    };
    if (!nameIsFile())
        return Fail(kFsSourceChanged);

    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    std::vector<std::uint8_t> seen;
    for (const BytePatch& p : patches) {
        const std::uint64_t n = p.oldBytes.size();
        if (p.newBytes.size() != n || p.offset < 0 || n > size ||
            static_cast<std::uint64_t>(p.offset) > size - n)
            return Fail(kFsPatchMismatch);
        seen.resize(n);
        if (!PreadFull(fd, seen.data(), n, p.offset) || seen != p.oldBytes)
            return Fail(kFsPatchMismatch);
    }

    RemoveLeftoversOnce(dir);
    TempFile temp;
    if (FsResult r = CreateTemp(dir, at.name, temp); !r)
        return r;
    auto abandon = [&](FsResult r) {
        temp.fd.reset();
        ::unlinkat(dir, temp.name.c_str(), 0);
        return r;
    };
    const int out = temp.fd.get();
    if (FsResult r = CopyAll(fd, out, size); !r)
        return abandon(r);
    if (hook)
        hook(PatchStage::Copied);
    for (const BytePatch& p : patches)
        if (!PwriteFull(out, p.newBytes.data(), p.newBytes.size(), p.offset))
            return abandon(Fail(errno, true));
    if (hook)
        hook(PatchStage::Patched);
    if (::fchown(out, st.st_uid, st.st_gid) != 0 && !Tolerated(errno))
        return abandon(Fail(errno, true));
    // After the owner: changing it clears the set-user and set-group bits.
    if (::fchmod(out, st.st_mode & 07777) != 0 && !Tolerated(errno))
        return abandon(Fail(errno, true));
    CopyUserAttributes(fd, out);
    const timespec kept[2] = {st.st_atim, st.st_mtim};
    const timespec now[2] = {st.st_atim, {0, UTIME_NOW}};
    // Floor division: a time before 1970 has a negative second and a positive fraction.
    std::int64_t seconds = options.mtimeNs / 1000000000;
    std::int64_t nanos = options.mtimeNs % 1000000000;
    if (nanos < 0) {
        nanos += 1000000000;
        --seconds;
    }
    const timespec exact[2] = {st.st_atim,
                               {static_cast<time_t>(seconds), static_cast<long>(nanos)}};
    const timespec* times = options.times == PatchTimes::Keep    ? kept
                            : options.times == PatchTimes::Touch ? now
                                                                 : exact;
    if (::futimens(out, times) != 0)
        return abandon(Fail(errno, true));
    if (::fsync(out) != 0)
        return abandon(Fail(errno, true));
    if (hook)
        hook(PatchStage::Synced);
    struct stat after {};
    if (::fstat(fd, &after) != 0 || !Same(IdentityOf(after), expected) || !nameIsFile())
        return abandon(Fail(kFsSourceChanged));
    struct stat made {};
    if (::fstat(out, &made) != 0)
        return abandon(Fail(errno, true));
    // The one rename that replaces: the same photo, rewritten. Done while the copy is
    // still locked, so no cleaning run takes it for a leftover.
    if (::renameat(dir, temp.name.c_str(), dir, at.name.c_str()) != 0)
        return abandon(Fail(errno, true));
    if (hook)
        hook(PatchStage::Renamed);
    const int closed = ::close(temp.fd.release());
    // Some file systems cannot sync a folder at all; that is no failure of ours.
    if ((closed != 0 || (::fsync(dir) != 0 && errno != EINVAL && errno != EROFS)))
        return Fail(errno, true); // the new file is in place; its data was synced above
    if (written)
        *written = IdentityOf(made);
    return FsResult{true, 0};
}

FsResult WritePatchedFile(const std::string& path, const FileIdentity& expected,
                          std::span<const BytePatch> patches, const PatchOptions& options,
                          FileIdentity* written) {
    const RegularFile file = OpenRegularFile(path, O_RDONLY | O_NOFOLLOW);
    if (!file)
        return Fail(file.error);
    return WritePatchedCopy(path, file.fd.get(), expected, patches, options, written);
}

} // namespace kivo
