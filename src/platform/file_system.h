#pragma once
// File-system layer: enumeration with wildcard and attribute filter, existence tests,
// renames and moves that never replace, file times at the resolution the dialogs use.
// Paths are byte strings of any length (a path longer than PATH_MAX is reached through
// the descriptors of its folders); folders are separated by "/".

#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datetime.h"

namespace kivo {

// Attribute bits as the listing filters know them.
enum FileAttr : unsigned {
    faReadOnly = 1,
    faHidden = 2,
    faSysFile = 4,
    faDirectory = 16,
    faArchive = 32,
    faNormal = 128,
};

// What an entry itself is; a symbolic link is a Symlink whatever it points at.
enum class EntryKind { Regular, Directory, Symlink, Other };

struct DirEntry {
    std::string name;       // bare name, "." and ".." included as the folder reports them
    unsigned attr = 0;      // FileAttr bits (of a link's target when it has one)
    std::uint64_t size = 0; // bytes, 0 for folders
    std::time_t mtime = 0;  // last-write time, exact second
    EntryKind kind = EntryKind::Regular;
    bool isDir() const { return (attr & faDirectory) != 0; }
    // A folder of its own, not a link to one: the only kind a walk descends into.
    bool isRealDir() const { return kind == EntryKind::Directory; }
};

// "*" and "?" without regard to ASCII case; "*.*" matches every name (also names without a dot).
bool WildcardMatch(std::string_view pattern, std::string_view name);

// Entries of `folder` whose names match `pattern`, in the order the file system gives them.
// ".." is reported in every folder except "/". An unreadable folder gives an empty list.
// Temporary files of copies (IsCopyTempName) are never listed.
std::vector<DirEntry> EnumerateFolder(const std::string& folder, std::string_view pattern);

// Attributes of one path (FileAttr bits, a link's target's; `kind` is the entry's own),
// nullopt when it does not exist.
std::optional<DirEntry> StatEntry(const std::string& path);

// "R" when the owner may not write, "H" for names starting with "."; never "A" or "S" here.
std::string AttributeLetters(unsigned attr);

bool FileExists(const std::string& path); // a folder counts as no file
bool DirectoryExists(const std::string& path);
bool PathExists(const std::string& path); // file or folder
std::optional<std::uint64_t> FileSize(const std::string& path);

bool CreateDir(const std::string& path);
bool RemoveDir(const std::string& path); // only an empty folder

// Error codes of FsResult that are no errno values.
inline constexpr int kFsNotRegularFile = -1; // a FIFO, socket or device: never copied
inline constexpr int kFsSourceChanged = -2;  // the source was replaced while being copied

// Outcome of an operation that changes the file system; `error` is errno when it failed,
// or one of the kFs codes above.
struct FsResult {
    bool ok = false;
    int error = 0;
    bool atTarget = false; // the failure was creating or writing the new entry
    explicit operator bool() const { return ok; }
    std::string message() const; // strerror text, or the text of a kFs code
};

// Never replaces an existing target (file or folder).
FsResult RenameNoReplace(const std::string& from, const std::string& to);
// As rename; across file systems a regular file is copied crash-safely (see
// CopyFileSafely) and the source removed only once the copy is on disk under its name; a
// symbolic link is recreated as a link; anything else and a folder fail.
FsResult MoveNoReplace(const std::string& from, const std::string& to);

// Bytes copied so far, after every piece of a copy; false stops the copy, which is then
// undone and fails with ECANCELED.
using CopyProgress = std::function<bool(std::uint64_t bytesDone)>;

// MoveNoReplace with progress (and cancel) of the copy across file systems.
FsResult MoveNoReplace(const std::string& from, const std::string& to,
                       const CopyProgress& progress);
// A move onto an existing file that the user agreed to replace; the old file is only
// replaced by a complete, synced copy.
FsResult MoveReplacing(const std::string& from, const std::string& to,
                       const CopyProgress& progress = {});

enum class CopyPublish { NoReplace, Replace };
// Copies a regular file (contents, then times, then permissions) into a temporary file
// ".NAME.kivo-XXXXXX" in the target's folder, syncs it, renames it to its name (never
// replacing anything unless asked) and syncs the folder: a crash leaves either no file or
// a complete one under the name. Links are not followed.
FsResult CopyFileSafely(const std::string& from, const std::string& to,
                        CopyPublish publish = CopyPublish::NoReplace,
                        const CopyProgress& progress = {});

// Whether a name has the form of a copy's temporary file, ".NAME.kivo-XXXXXX".
bool IsCopyTempName(std::string_view name);
// Removes temporary files of copies that no longer run (a killed run) from a folder;
// a copy that still runs holds a lock on its file and is left alone. The number removed.
std::size_t RemoveLeftoverCopies(const std::string& folder);

bool SetCurrentDir(const std::string& path);
std::string GetCurrentDir();

// Last-write time in local time at two-second resolution (odd seconds go down).
std::optional<TDateTime> FileAge(const std::string& path);
// The same from what stat said of a file already open.
std::optional<TDateTime> FileAgeOf(const struct stat& st);
// Exact last-write time in local time, for display.
std::optional<TDateTime> FileModifiedExact(const std::string& path);

enum class SetTimeResult { Ok, YearOutOfRange, OpenFailed, Locked, Failed };
// Opens the file for reading and writing without sharing (exclusive lock) and sets its
// last-write time (two-second resolution, years 1980-2099). Access time is left alone.
// A symbolic link is never followed: a link, even one picked in the list, gets its own
// time, and whatever it points at stays as it is. FIFOs, devices and folders fail.
SetTimeResult SetFileModified(const std::string& path, TDateTime localTime);

// Whole file, or nullopt when it cannot be read. `maxBytes` caps the read.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path,
                                                       std::uint64_t maxBytes = UINT64_MAX);

// The folder part of a path ("/a/b/c.jpg" -> "/a/b"), "" without any "/".
std::string ExtractFileDir(std::string_view path);
std::string ExtractFileName(std::string_view path);
std::string ExtractFileExt(std::string_view path); // ".jpg", "" without a dot in the name
std::string IncludeTrailingSlash(std::string_view path);
std::string ExcludeTrailingSlash(std::string_view path); // "/" stays "/"

} // namespace kivo
