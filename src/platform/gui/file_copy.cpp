// Copying for FileOperationJob: a new entry (a folder with all it holds, a symbolic link,
// a file) and the contents of one file, with progress and cancel. The crash-safe copy
// itself is the file system layer's.

#include "platform/gui/file_operation.h"

#include <cerrno>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "platform/gui/file_operation_posix.h"

namespace kivo {

namespace {

using fileop::CopyModeAndTimes;
using fileop::Lstat;
using fileop::Reason;

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
    return CopyFileContents(src, dst, false);
}

CopyProgress FileOperationJob::CopyProgressFor(const std::string& src, std::uint64_t& reported) {
    return [this, &src, &reported](std::uint64_t done) {
        Advance(done - reported);
        reported = done;
        return Tick(src);
    };
}

FileOperationJob::Status FileOperationJob::Finish(const FsResult& r, const char* verb,
                                                  const std::string& src, const std::string& dst) {
    if (r) {
        Advance(1);
        return Status::Done;
    }
    if (r.error == ECANCELED)
        return Status::Cancelled; // the user stopped it; the copy is undone
    if (r.atTarget)
        return Fail(FileOperationMessage("Cannot create", dst, r.message()));
    return Fail(FileOperationMessage(verb, src, r.message()));
}

FileOperationJob::Status FileOperationJob::CopyFileContents(const std::string& src,
                                                            const std::string& dst, bool replace) {
    // Written under a temporary name beside the target, synced and renamed into place: a
    // failed or interrupted copy never leaves a partial file under the name, and a
    // replaced file stays whole until the new one is complete.
    std::uint64_t reported = 0;
    const FsResult r =
        CopyFileSafely(src, dst, replace ? CopyPublish::Replace : CopyPublish::NoReplace,
                       CopyProgressFor(src, reported));
    return Finish(r, "Cannot copy", src, dst);
}

} // namespace kivo
