#pragma once
// Writing a file's modification time as the EXIF date dialog does it, with the reason when
// it cannot be done; the same checks serve a dry run.

#include <string>
#include <string_view>

#include "platform/datetime.h"

namespace kivo {

// The time a file actually keeps when `localTime` is written: whole seconds, odd seconds
// down to the even second below (the resolution of the original file systems).
TDateTime StoredFileTime(TDateTime localTime);
// The date-time text of StoredFileTime of a date-time text; a text that does not parse
// comes back as it is.
std::string StoredFileTimeText(std::string_view text);

struct FileTimeResult {
    bool ok = false;
    std::string reason; // when not ok: "date before 1980", "not a regular file", strerror…
    explicit operator bool() const { return ok; }
};

// The check of the time alone, before any file is opened: only the years 1980 to 2099 can
// be stored.
FileTimeResult CheckStorableFileTime(TDateTime localTime);

// Locks a file opened for writing against other writers (held until it is closed), as a
// write of its time does first; the reason when another program holds it.
FileTimeResult LockForFileTime(int fd);

// Opens the file (a regular file only, never blocking) for reading and writing, locks it
// against other writers and, when `write`, sets its last-write time (access time left
// alone). Only the years 1980 to 2099 can be stored. Without `write` nothing changes: the
// result tells whether the write would succeed.
FileTimeResult WriteFileTime(const std::string& path, TDateTime localTime, bool write);
// The same for a name in the folder of dirFd (AT_FDCWD: as a path).
FileTimeResult WriteFileTimeAt(int dirFd, const std::string& name, TDateTime localTime, bool write);

} // namespace kivo
