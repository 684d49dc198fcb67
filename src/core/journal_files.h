#pragma once
// What undo and resume ask of the file system about one recorded file, and the few
// writes they make besides moves.

#include <cstdint>
#include <string>

#include "core/journal.h"

namespace kivo::journal_detail {

bool SameIdentity(const FileStamp& now, const FileStamp& recorded);
// The file a move row moved, found at `now`: the same entry as before (a rename), or the
// one recorded after the move (a copy across file systems); for a file also the same size
// and mtime, since a rename keeps both.
bool IsMovedFile(const FileStamp& now, const JournalRow& row);
// The entry a copy row made, found at `now`: the one recorded once it was made, or, without
// that record, one of the kind, size and mtime of its source (a copy keeps both).
bool IsCopyOf(const FileStamp& now, const JournalRow& row);
// Whether `path` is a folder (not a link to one) with nothing in it.
bool IsEmptyDir(const std::string& path);
// Makes a copy row's entry again (resuming): its folder, or a crash-safe copy of its
// file that replaces nothing; "" when done, else why not.
std::string CopyAgain(const JournalRow& row);
std::string NameOf(const std::string& path);
// A temporary name beside `path`, of the form the rename batch uses (".kivo~PID~NAME"), so
// that whatever puts those back after a crash puts this one back to `path` too. Empty
// when the name would be too long.
std::string TempBeside(const std::string& path);
std::string GoneOrChanged(const FileStamp& now);
std::string ErrorText(int error);
// Writes a new file (never replacing one) and syncs it.
bool WriteWholeFile(const std::string& path, const std::string& data);
// Sets the mtime of the very file recorded (never following a link), to the nanosecond.
std::string SetExactMtime(const std::string& path, const FileStamp& expected, std::int64_t ns);

} // namespace kivo::journal_detail
