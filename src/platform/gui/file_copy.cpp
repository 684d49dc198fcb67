// Copying for FileOperationJob: a new entry (a folder with all it holds, a symbolic link,
// a file) and the contents of one file, with progress and cancel.

#include "platform/gui/file_operation.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "platform/gui/file_operation_posix.h"

namespace kivo {

namespace {

using fileop::CopyModeAndTimes;
using fileop::Lstat;
using fileop::Reason;

// Progress and cancel are looked at after every piece of this size.
constexpr std::size_t kChunk = 1 << 20;

} // namespace

FileOperationJob::Status FileOperationJob::CopyNew(const std::string& src, const std::string& dst) {
    const auto st = Lstat(src);
    if (!st)
        return Fail(FileOperationMessage("Cannot copy", src, Reason(errno)));
    if (S_ISDIR(st->st_mode)) {
        if (::mkdir(dst.c_str(), 0700) != 0)
            return Fail(FileOperationMessage("Cannot create folder", dst, Reason(errno)));
        Advance(1);
        const Status s = TransferChildren(src, dst, false);
        CopyModeAndTimes(dst, *st);
        return s == Status::Cancelled ? s : Status::Done;
    }
    if (S_ISLNK(st->st_mode)) {
        std::string link(static_cast<std::size_t>(st->st_size) + 256, '\0');
        const ssize_t len = ::readlink(src.c_str(), link.data(), link.size());
        if (len < 0)
            return Fail(FileOperationMessage("Cannot copy", src, Reason(errno)));
        link.resize(static_cast<std::size_t>(len));
        if (::symlink(link.c_str(), dst.c_str()) != 0)
            return Fail(FileOperationMessage("Cannot copy", src, Reason(errno)));
        Advance(1);
        return Status::Done;
    }
    if (!S_ISREG(st->st_mode))
        return Fail(FileOperationMessage("Cannot copy", src, "not a regular file"));
    return CopyFileContents(src, dst, false, false);
}

FileOperationJob::Status FileOperationJob::CopyFileContents(const std::string& src,
                                                            const std::string& dst, bool replace,
                                                            bool syncData) {
    const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return Fail(FileOperationMessage("Cannot copy", src, Reason(errno)));
    struct stat st {};
    ::fstat(in, &st);

    // A replaced file is first written beside the target under a free name and then
    // renamed over it, so a failed copy never leaves the old file damaged.
    std::string writePath = dst;
    int out;
    if (replace) {
        const std::string dir = ExtractFileDir(dst);
        writePath = (dir.empty() ? std::string() : IncludeTrailingSlash(dir)) + ".kivo-copy-XXXXXX";
        out = ::mkstemp(writePath.data());
        if (out >= 0)
            ::fcntl(out, F_SETFD, FD_CLOEXEC);
    } else {
        out = ::open(dst.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    }
    if (out < 0) {
        const int err = errno;
        ::close(in);
        return Fail(FileOperationMessage("Cannot create", dst, Reason(err)));
    }

    auto abandon = [&](int err, const char* what) {
        ::close(in);
        ::close(out);
        ::unlink(writePath.c_str());
        return err == 0 ? Status::Cancelled : Fail(FileOperationMessage(what, src, Reason(err)));
    };

    std::vector<char> buf(kChunk);
    for (;;) {
        const ssize_t got = ::read(in, buf.data(), buf.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return abandon(errno, "Cannot read");
        }
        if (got == 0)
            break;
        ssize_t off = 0;
        while (off < got) {
            const ssize_t put = ::write(out, buf.data() + off, static_cast<std::size_t>(got - off));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return abandon(errno, "Cannot copy");
            }
            off += put;
        }
        Advance(static_cast<std::uint64_t>(got));
        if (!Tick(src))
            return abandon(0, "");
    }
    ::fchmod(out, st.st_mode & 07777);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
    if (syncData && ::fsync(out) != 0)
        return abandon(errno, "Cannot copy");
    ::close(in);
    if (::close(out) != 0) {
        const int err = errno;
        ::unlink(writePath.c_str());
        return Fail(FileOperationMessage("Cannot copy", src, Reason(err)));
    }
    if (replace && ::rename(writePath.c_str(), dst.c_str()) != 0) {
        const int err = errno;
        ::unlink(writePath.c_str());
        return Fail(FileOperationMessage("Cannot replace", dst, Reason(err)));
    }
    Advance(1);
    return Status::Done;
}

} // namespace kivo
