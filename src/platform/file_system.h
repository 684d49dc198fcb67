#pragma once
// File-system layer: enumeration with wildcard and attribute filter, existence tests,
// renames and moves that never replace, file times at the resolution the dialogs use.
// Paths are UTF-8 byte strings; folders are separated by "/".

#include <cstdint>
#include <ctime>
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

struct DirEntry {
    std::string name;       // bare name, "." and ".." included as the folder reports them
    unsigned attr = 0;      // FileAttr bits
    std::uint64_t size = 0; // bytes, 0 for folders
    std::time_t mtime = 0;  // last-write time, exact second
    bool isDir() const { return (attr & faDirectory) != 0; }
};

// "*" and "?" without regard to ASCII case; "*.*" matches every name (also names without a dot).
bool WildcardMatch(std::string_view pattern, std::string_view name);

// Entries of `folder` whose names match `pattern`, in the order the file system gives them.
// ".." is reported in every folder except "/". An unreadable folder gives an empty list.
std::vector<DirEntry> EnumerateFolder(const std::string& folder, std::string_view pattern);

// Attributes of one path (FileAttr bits), nullopt when it does not exist.
std::optional<DirEntry> StatEntry(const std::string& path);

// "R" when the owner may not write, "H" for names starting with "."; never "A" or "S" here.
std::string AttributeLetters(unsigned attr);

bool FileExists(const std::string& path);      // a folder counts as no file
bool DirectoryExists(const std::string& path);
bool PathExists(const std::string& path);      // file or folder
std::optional<std::uint64_t> FileSize(const std::string& path);

bool CreateDir(const std::string& path);
bool RemoveDir(const std::string& path); // only an empty folder

// Outcome of an operation that changes the file system; `error` is errno when it failed.
struct FsResult {
    bool ok = false;
    int error = 0;
    explicit operator bool() const { return ok; }
    std::string message() const; // strerror text
};

// Never replaces an existing target (file or folder).
FsResult RenameNoReplace(const std::string& from, const std::string& to);
// As rename; across file systems a file is copied (contents, times, permissions), synced
// and the source removed. A folder cannot move across file systems.
FsResult MoveNoReplace(const std::string& from, const std::string& to);

bool SetCurrentDir(const std::string& path);
std::string GetCurrentDir();

// Last-write time in local time at two-second resolution (odd seconds go down).
std::optional<TDateTime> FileAge(const std::string& path);
// Exact last-write time in local time, for display.
std::optional<TDateTime> FileModifiedExact(const std::string& path);

enum class SetTimeResult { Ok, YearOutOfRange, OpenFailed, Locked, Failed };
// Opens the file for reading and writing without sharing (exclusive lock) and sets its
// last-write time (two-second resolution, years 1980-2099). Access time is left alone.
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
