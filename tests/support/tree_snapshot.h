#pragma once
// What a folder tree holds, for comparing it before a job and after its undo: every entry
// below the root by relative path (bytes), with its kind, size and mtime to the
// nanosecond. Links are not followed.

#include <cstdint>
#include <map>
#include <ostream>
#include <string>

namespace kivo::test {

struct TreeEntry {
    bool dir = false;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0; // files only: a folder's own time changes with its contents
    std::string contents;     // files only
    bool operator==(const TreeEntry&) const = default;
};
using TreeSnapshot = std::map<std::string, TreeEntry>;

TreeSnapshot SnapshotTree(const std::string& root);
void PrintTo(const TreeEntry& e, std::ostream* os);

} // namespace kivo::test
