#pragma once
// Rewriting a few bytes of a file without ever leaving a half-written one: the file is
// copied to a temporary name beside it, the bytes are changed in the copy, the copy is
// synced and renamed over the original. A crash at any moment leaves the old file or the
// new one under the name (and at most a temporary file, removed by the next run).

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "platform/file_system.h"

namespace kivo {

// Error codes of FsResult beyond those of file_system.h.
inline constexpr int kFsPatchMismatch = -3; // the bytes to change are not what was read
inline constexpr int kFsHardLinked = -4;    // other names share the file: a copy would split them

// Bytes at a file offset, and what they become (the same length).
struct BytePatch {
    std::int64_t offset = 0;
    std::vector<std::uint8_t> oldBytes;
    std::vector<std::uint8_t> newBytes;
};

// The file as it was read: the rewrite is refused when it is no longer so.
struct FileIdentity {
    std::uint64_t dev = 0;
    std::uint64_t ino = 0;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
};
FileIdentity IdentityOf(const struct stat& st);

enum class PatchTimes {
    Keep,  // the rewritten file keeps the original's modification time
    Touch, // it gets the time of the rewrite
    Exact, // it gets PatchOptions::mtimeNs (an undo puts the time from before back)
};

// Moments of a rewrite, for tests that stop it half-way.
enum class PatchStage { Copied, Patched, Synced, Renamed };
using PatchStageHook = std::function<void(PatchStage)>;

struct PatchOptions {
    PatchTimes times = PatchTimes::Keep;
    std::int64_t mtimeNs = 0; // with PatchTimes::Exact
    PatchStageHook hook;
};

// Rewrites the regular file `path`, open as `fd`, with the patches applied. `expected` is
// what the caller read; a file whose size, modification time, device or inode differ (or
// whose name now leads elsewhere) is refused with kFsSourceChanged, bytes that are not
// the patches' old bytes with kFsPatchMismatch. Permissions, owner (where allowed) and
// user extended attributes are carried over. On success `*written` is the new file's
// identity.
FsResult WritePatchedCopy(const std::string& path, int fd, const FileIdentity& expected,
                          std::span<const BytePatch> patches, const PatchOptions& options = {},
                          FileIdentity* written = nullptr);

// Opens `path` (a regular file, links not followed) and rewrites it as above.
FsResult WritePatchedFile(const std::string& path, const FileIdentity& expected,
                          std::span<const BytePatch> patches, const PatchOptions& options = {},
                          FileIdentity* written = nullptr);

} // namespace kivo
