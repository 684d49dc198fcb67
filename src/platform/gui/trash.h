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

namespace kivo {

struct TrashOutcome {
    bool ok = false;
    // Why the entry stays where it is (when not ok).
    std::string reason;
};

// `path` is taken byte for byte; a link goes to the Trash itself, its target stays.
TrashOutcome MoveToTrash(const std::string& path);

// Where an entry lies in a Trash: its files/ entry and its .trashinfo with the contents.
struct TrashedEntry {
    std::string filesPath;
    std::string infoPath;
    std::string infoData;
};

// Looks for the entry that came from `originalPath` by its device and inode (a rename
// into a Trash keeps both) in the Trashes that can have taken it: the home Trash and the
// two Trashes at the top of the entry's volume. nullopt when it is in none of them.
std::optional<TrashedEntry> FindTrashedEntry(const std::string& originalPath, dev_t dev, ino_t ino);

// The same for many entries, in their order; each Trash is listed once for all of them.
struct TrashQuery {
    std::string originalPath;
    dev_t dev = 0;
    ino_t ino = 0;
};
std::vector<std::optional<TrashedEntry>> FindTrashedEntries(const std::vector<TrashQuery>& queries);

} // namespace kivo
