#pragma once
// Moving entries to the freedesktop Trash through GIO, as every desktop does it: the home
// Trash for entries on the home's file system, else the Trash at the top of the entry's
// own volume, with a percent-encoded .trashinfo (relative to the volume's top on a volume
// Trash). An entry is moved by a rename only: never copied into a Trash on another file
// system and never deleted when no Trash can take it.

#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "platform/trashed_entry.h"

namespace kivo {

struct TrashOutcome {
    bool ok = false;
    // Why the entry stays where it is (when not ok).
    std::string reason;
};

// `path` is taken byte for byte; a link goes to the Trash itself, its target stays.
TrashOutcome MoveToTrash(const std::string& path);

// Looks for the entry that came from `originalPath` by its device and inode (a rename
// into a Trash keeps both) in the Trashes that can have taken it: the home Trash and the
// two Trashes at the top of the entry's volume. nullopt when it is in none of them.
std::optional<TrashedEntry> FindTrashedEntry(const std::string& originalPath, dev_t dev, ino_t ino);

// Moves `path` to the Trash and finds where it went there (`where.filesPath` stays empty
// when it cannot be found); false with `reason` when the entry stays where it is.
bool MoveToTrashAndFind(const std::string& path, TrashedEntry& where, std::string& reason);

// The same for many entries, in their order; each Trash is listed once for all of them.
struct TrashQuery {
    std::string originalPath;
    dev_t dev = 0;
    ino_t ino = 0;
};
std::vector<std::optional<TrashedEntry>> FindTrashedEntries(const std::vector<TrashQuery>& queries);

} // namespace kivo
