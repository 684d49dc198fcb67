#pragma once
// Paths of any length. A path that does not fit PATH_MAX is reached through descriptors
// of its leading folders, each opened relative to the one before, so an entry deep in a
// tree is listed, walked and moved like any other.

#include <string>

#include "platform/regular_file.h"

namespace kivo {

// One path as a folder descriptor and a name relative to it, for the *at() calls. A path
// that fits PATH_MAX is used as it stands against the current directory, so the common
// case costs no extra open.
class PathAt {
public:
    explicit PathAt(const std::string& path);

    int dir() const { return parent_.valid() ? parent_.get() : AT_FDCWD; }
    const char* name() const { return name_.c_str(); }
    // errno when a leading folder of a long path could not be opened; calls made with
    // dir() and name() then fail.
    int error() const { return error_; }

private:
    UniqueFd parent_;
    std::string name_;
    int error_ = 0;
};

// Opens a folder of any length (O_RDONLY | O_DIRECTORY | O_CLOEXEC, plus `extraFlags`).
// Invalid with errno set on failure.
UniqueFd OpenFolder(const std::string& path, int extraFlags = 0);

// A real descriptor of the folder that holds `path` and the bare name in it: what a copy
// needs to create its temporary file beside the target and to sync the folder.
struct FolderAndName {
    UniqueFd folder;
    std::string name;
    int error = 0; // errno when the folder could not be opened
    explicit operator bool() const { return folder.valid(); }
};
FolderAndName OpenParentFolder(const std::string& path);

} // namespace kivo
