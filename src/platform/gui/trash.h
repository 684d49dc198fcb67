#pragma once
// Moving entries to the freedesktop Trash through GIO, as every desktop does it: the home
// Trash for entries on the home's file system, else the Trash at the top of the entry's
// own volume, with a percent-encoded .trashinfo (relative to the volume's top on a volume
// Trash). An entry is moved by a rename only: never copied into a Trash on another file
// system and never deleted when no Trash can take it.

#include <string>

namespace kivo {

struct TrashOutcome {
    bool ok = false;
    // Why the entry stays where it is (when not ok).
    std::string reason;
};

// `path` is taken byte for byte; a link goes to the Trash itself, its target stays.
TrashOutcome MoveToTrash(const std::string& path);

} // namespace kivo
