// GIO before anything of Qt: its headers use the word Qt makes a keyword.
#include <gio/gio.h>

#include "platform/gui/trash.h"

#include <cerrno>
#include <cstdlib>
#include <memory>
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

// The Trash folder at `trash`, when its files/ holds the entry (dev, ino).
std::optional<TrashedEntry> LookIn(const std::string& trash, dev_t dev, ino_t ino) {
    const std::string files = trash + "/files";
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(files.c_str()));
    if (!dir)
        return std::nullopt;
    while (const dirent* e = ::readdir(dir.get())) {
        if (e->d_ino != ino)
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir.get()), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            st.st_dev != dev || st.st_ino != ino)
            continue;
        TrashedEntry found;
        found.filesPath = files + "/" + e->d_name;
        found.infoPath = trash + "/info/" + e->d_name + ".trashinfo";
        // A .trashinfo is a few lines; anything larger is not one of ours to keep.
        const RegularFile info = OpenRegularFile(found.infoPath, O_RDONLY | O_NOFOLLOW);
        if (info && info.info.st_size <= 64 * 1024) {
            found.infoData.resize(static_cast<std::size_t>(info.info.st_size));
            std::size_t got = 0;
            while (got < found.infoData.size()) {
                const ssize_t r =
                    ::read(info.fd.get(), found.infoData.data() + got, found.infoData.size() - got);
                if (r < 0 && errno == EINTR)
                    continue;
                if (r <= 0)
                    break;
                got += static_cast<std::size_t>(r);
            }
            found.infoData.resize(got);
        }
        return found;
    }
    return std::nullopt;
}

} // namespace

std::optional<TrashedEntry> FindTrashedEntry(const std::string& originalPath, dev_t dev,
                                             ino_t ino) {
    std::vector<std::string> trashes;
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (data && data[0] == '/')
        trashes.push_back(std::string(data) + "/Trash");
    else if (home && home[0] == '/')
        trashes.push_back(std::string(home) + "/.local/share/Trash");
    // The top of the volume: the highest folder above the entry on its device.
    std::string top;
    for (std::string folder = ExtractFileDir(originalPath); !folder.empty();) {
        struct stat st {};
        if (::stat(folder.c_str(), &st) != 0 || st.st_dev != dev)
            break;
        top = folder;
        if (folder == "/")
            break;
        folder = ExtractFileDir(folder);
        if (folder.empty())
            folder = "/";
    }
    if (!top.empty()) {
        const std::string base = top == "/" ? std::string() : top;
        const std::string uid = std::to_string(::getuid());
        trashes.push_back(base + "/.Trash/" + uid);
        trashes.push_back(base + "/.Trash-" + uid);
    }
    for (const std::string& trash : trashes)
        if (auto found = LookIn(trash, dev, ino))
            return found;
    return std::nullopt;
}

} // namespace kivo
