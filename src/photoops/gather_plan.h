#pragma once
// The gathering's plan: where each found file goes before anything is moved. Used by
// the gatherer only; kept apart so the moving and the planning read on their own.

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

#include "core/journal.h"
#include "photoops/gather_targets.h"

namespace kivo::gathering {

// One file found in the tree, in the order it was found.
struct Found {
    std::string path;
    std::size_t nameStart;
    std::size_t folderIndex;
    bool inDestination;
    bool lastInFolder = false;
    std::size_t photoOf = std::string::npos; // a sidecar: the photo it goes with
    FileStamp stamp;                         // as listed, when a journal asked for it
    mode_t type = 0;                         // the entry as listed (S_IFREG, S_IFLNK …)
};

enum class Plan {
    Move,      // to Target::path
    Stay,      // already in its own date folder
    Duplicate, // the same file holds its name
    Clash,     // a different file holds its name
    Unusable,  // its date folder cannot be used
};

struct Target {
    Plan plan = Plan::Move;
    std::string path;                // where it goes, or the name that is taken
    std::vector<std::string> toMake; // date folders to create first, outermost first
    bool renamed = false;
    bool keepFolder = false; // its folder is the destination or a date folder
    bool withPhoto = false;  // a sidecar renamed with its photo: no clash of its own
    std::string reason;      // why an Unusable one stays
};

using FolderId = std::pair<dev_t, ino_t>;

// The folder's device and inode; none when it is no folder.
std::optional<FolderId> FolderIdOf(const std::string& path);

// Where every found file goes: its (date) folder, and when its name is taken there, whether
// the file there is the same, and the free numbered name when clashes are renamed.
std::vector<Target> PlanTargets(const std::vector<Found>& found,
                                const std::vector<std::string>& folders,
                                const std::string& destination, bool destinationUsable,
                                const std::optional<DateFolderPattern>& pattern,
                                bool renameClashes);

} // namespace kivo::gathering
