#pragma once
// The temporary file a copy is written to beside its target, and the removal of those
// that a killed run left behind.

#include <cstddef>
#include <string>

#include "platform/file_system.h"
#include "platform/regular_file.h"

namespace kivo {

// A temporary file of this process, locked while it is written.
struct TempFile {
    UniqueFd fd;
    std::string name;
};

// Creates ".NAME.kivo-XXXXXX" (NAME cut to fit NAME_MAX) in the folder, exclusively.
FsResult CreateTemp(int dir, const std::string& finalName, TempFile& temp);

// Removes the unlocked temporary files of a folder; counts them into *removed.
void RemoveLeftoversAt(int dir, std::size_t* removed);
// The same, once per folder and process: a run moving thousands of files into one
// folder does not list it thousands of times.
void RemoveLeftoversOnce(int dir);

} // namespace kivo
