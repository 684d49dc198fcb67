#include "support/tree_snapshot.h"

#include <dirent.h>
#include <sys/stat.h>

#include "support/temp_dir.h"

namespace kivo::test {

namespace {

void Walk(const std::string& root, const std::string& relative, TreeSnapshot& out) {
    DIR* dir = ::opendir((root + relative).c_str());
    if (!dir)
        return;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string rel = relative + "/" + name;
        struct stat st {};
        if (::lstat((root + rel).c_str(), &st) != 0)
            continue;
        TreeEntry entry;
        entry.dir = S_ISDIR(st.st_mode);
        if (!entry.dir) {
            entry.size = static_cast<std::uint64_t>(st.st_size);
            entry.mtimeNs = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
            entry.contents = ReadWholeFile(root + rel);
        }
        out[rel] = entry;
        if (entry.dir)
            Walk(root, rel, out);
    }
    ::closedir(dir);
}

} // namespace

TreeSnapshot SnapshotTree(const std::string& root) {
    TreeSnapshot out;
    Walk(root, "", out);
    return out;
}

void PrintTo(const TreeEntry& e, std::ostream* os) {
    *os << (e.dir ? "dir"
                  : "file size=" + std::to_string(e.size) + " mtime=" + std::to_string(e.mtimeNs));
}

} // namespace kivo::test
