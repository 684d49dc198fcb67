#pragma once
// Rows that rewrite bytes of a file (RowOp::Patch): how their file stands now, the row that
// undoes one, and running one. A rewrite replaces the file by a new one (a new inode), so
// a row interrupted before its done mark is judged by its bytes, not by its identity.

#include <string>

#include "core/journal.h"

namespace kivo {

enum class PatchedFile {
    Before, // the patched places hold the old bytes
    After,  // they hold the new bytes
    Other,  // gone, another size, other bytes, or a row that cannot be read
};
PatchedFile LookAtPatchedFile(const JournalRow& row);

// The row that puts back what `row` changed in the file found as `now`, with its time
// from before the row.
JournalRow InversePatchRow(const JournalRow& row, const FileStamp& now);

// Rewrites the row's file, which must still be row.before; "" or why it failed.
std::string RunPatchRow(const JournalRow& row);

} // namespace kivo
