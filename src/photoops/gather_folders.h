#pragma once
// The gathering's access to its folders: one reading of each source folder sorts its names
// into the kinds the run takes, and the moves go through descriptors of the folders, so no
// path is looked up from the root again for every file.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

#include "core/journal.h"
#include "photoops/gather_plan.h"
#include "platform/file_system.h"
#include "platform/regular_file.h"

namespace kivo::gathering {

struct ListedName {
    std::string name;
    FileStamp stamp; // lstat's view, when asked for
    mode_t type = 0; // S_IFREG, S_IFLNK …: the entry itself as listed
};

// One folder's entries that the gathering takes, each kind in listing order: what matches
// "*.jpg", "*.jpeg", RAW names (when asked for) and "*.xmp", without "." and "..", copies'
// temporary files and anything that is a folder or a link to one.
struct FolderListing {
    bool read = false;          // the folder could be opened and listed
    std::optional<FolderId> id; // the folder itself (its links followed)
    FileStamp stamp;            // the folder, when stamps are asked for
    std::vector<ListedName> jpg, jpeg, raw, xmp;
};

// A name's type comes with the listing; only links and file systems that leave it out are
// asked further. `withStamps` looks at every entry taken instead.
FolderListing ListGatherFolder(const std::string& folder, bool withRaw, bool withStamps);

// Looks at and moves the run's files through descriptors of their folders, opened once for
// all the files of a folder in a row.
class FolderMover {
public:
    // lstat of `name` in `folder`; false when it is not there.
    bool look(const std::string& folder, const std::string& name, struct stat& st);
    // Moves `name` of `folder` to `to` without replacing anything; `renamed` tells a rename,
    // which keeps the file itself, from a copy across file systems.
    FsResult move(const std::string& folder, const std::string& name, const std::string& to,
                  bool& renamed);

private:
    struct Open {
        std::string path;
        UniqueFd fd;
        bool tried = false;
    };
    static int fdOf(Open& open, std::string_view path);

    Open from_, to_;
};

} // namespace kivo::gathering
