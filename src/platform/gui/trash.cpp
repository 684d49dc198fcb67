// GIO before anything of Qt: its headers use the word Qt makes a keyword.
#include <gio/gio.h>

#include "platform/gui/trash.h"

#include <cerrno>
#include <cstdlib>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "platform/regular_file.h"

namespace kivo {

namespace {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

} // namespace

TrashOutcome MoveToTrash(const std::string& path) {
    TrashOutcome outcome;
    const std::unique_ptr<GFile, ObjectUnref> file(g_file_new_for_path(path.c_str()));
    GError* raw = nullptr;
    if (g_file_trash(file.get(), nullptr, &raw)) {
        outcome.ok = true;
        return outcome;
    }
    const std::unique_ptr<GError, ErrorFree> error(raw);
    outcome.reason = error ? error->message : "the Trash refused it";
    // No Trash on that volume, or only one across a file-system boundary: the entry stays.
    if (error && g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED))
        outcome.reason += " (nothing was deleted)";
    return outcome;
}

} // namespace kivo

namespace kivo {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// The .trashinfo beside a files/ entry, read whole (it is a few lines; anything larger is
// not one of ours to keep).
std::string ReadTrashInfo(const std::string& path) {
    std::string data;
    const RegularFile info = OpenRegularFile(path, O_RDONLY | O_NOFOLLOW);
    if (!info || info.info.st_size > 64 * 1024)
        return data;
    data.resize(static_cast<std::size_t>(info.info.st_size));
    std::size_t got = 0;
    while (got < data.size()) {
        const ssize_t r = ::read(info.fd.get(), data.data() + got, data.size() - got);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    data.resize(got);
    return data;
}

// Lists the Trash at `trash` once for the queries `wanted` (indices into `queries`) that
// are still unfound, by inode and then device.
void LookIn(const std::string& trash, const std::vector<TrashQuery>& queries,
            const std::vector<std::size_t>& wanted,
            std::vector<std::optional<TrashedEntry>>& found) {
    std::unordered_multimap<ino_t, std::size_t> byIno;
    for (std::size_t q : wanted)
        if (!found[q])
            byIno.emplace(queries[q].ino, q);
    if (byIno.empty())
        return;
    const std::string files = trash + "/files";
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(files.c_str()));
    if (!dir)
        return;
    while (const dirent* e = ::readdir(dir.get())) {
        const auto [first, last] = byIno.equal_range(e->d_ino);
        if (first == last)
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir.get()), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        for (auto it = first; it != last; ++it) {
            const std::size_t q = it->second;
            if (found[q] || st.st_dev != queries[q].dev || st.st_ino != queries[q].ino)
                continue;
            TrashedEntry entry;
            entry.filesPath = files + "/" + e->d_name;
            entry.infoPath = trash + "/info/" + e->d_name + ".trashinfo";
            entry.infoData = ReadTrashInfo(entry.infoPath);
            found[q] = std::move(entry);
        }
    }
}

// The Trashes that can have taken an entry of `folder` on device `dev`: the home Trash and
// the two at the top of its volume.
std::vector<std::string> TrashesFor(const std::string& folder, dev_t dev) {
    std::vector<std::string> trashes;
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (data && data[0] == '/')
        trashes.push_back(std::string(data) + "/Trash");
    else if (home && home[0] == '/')
        trashes.push_back(std::string(home) + "/.local/share/Trash");
    // The top of the volume: the highest folder above the entry on its device.
    std::string top;
    for (std::string f = folder; !f.empty();) {
        struct stat st {};
        if (::stat(f.c_str(), &st) != 0 || st.st_dev != dev)
            break;
        top = f;
        if (f == "/")
            break;
        f = ExtractFileDir(f);
        if (f.empty())
            f = "/";
    }
    if (!top.empty()) {
        const std::string base = top == "/" ? std::string() : top;
        const std::string uid = std::to_string(::getuid());
        trashes.push_back(base + "/.Trash/" + uid);
        trashes.push_back(base + "/.Trash-" + uid);
    }
    return trashes;
}

} // namespace

std::vector<std::optional<TrashedEntry>>
FindTrashedEntries(const std::vector<TrashQuery>& queries) {
    std::vector<std::optional<TrashedEntry>> found(queries.size());
    // Entries of one folder share their Trashes: each Trash is listed once for all of them.
    std::map<std::pair<std::string, dev_t>, std::vector<std::size_t>> byFolder;
    for (std::size_t q = 0; q < queries.size(); ++q)
        byFolder[{ExtractFileDir(queries[q].originalPath), queries[q].dev}].push_back(q);
    std::map<std::string, std::vector<std::size_t>> byTrash;
    std::vector<std::string> order; // home Trash first, as one entry at a time looks
    for (const auto& [key, members] : byFolder) {
        for (const std::string& trash : TrashesFor(key.first, key.second)) {
            auto [it, added] = byTrash.try_emplace(trash);
            if (added)
                order.push_back(trash);
            it->second.insert(it->second.end(), members.begin(), members.end());
        }
    }
    for (const std::string& trash : order)
        LookIn(trash, queries, byTrash[trash], found);
    return found;
}

std::optional<TrashedEntry> FindTrashedEntry(const std::string& originalPath, dev_t dev,
                                             ino_t ino) {
    return FindTrashedEntries({{originalPath, dev, ino}}).front();
}

} // namespace kivo

namespace kivo {

bool MoveToTrashAndFind(const std::string& path, TrashedEntry& where, std::string& reason) {
    where = {};
    struct stat st {};
    const bool known = ::lstat(path.c_str(), &st) == 0;
    const TrashOutcome out = MoveToTrash(path);
    if (!out.ok) {
        reason = out.reason;
        return false;
    }
    if (known)
        if (std::optional<TrashedEntry> found = FindTrashedEntry(path, st.st_dev, st.st_ino))
            where = std::move(*found);
    return true;
}

} // namespace kivo
