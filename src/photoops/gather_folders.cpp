#include "photoops/gather_folders.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include <dirent.h>
#include <fcntl.h>

#include "exif/container_kind.h"
#include "platform/path_at.h"

namespace kivo::gathering {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// Whether the entry is to be taken, as a listing that follows links sees it: anything but a
// folder. False as well for an entry gone meanwhile.
bool takeEntry(int dir, const dirent& e, bool withStamp, FileStamp& stamp, mode_t& type) {
    const bool known = e.d_type != DT_UNKNOWN && e.d_type != DT_LNK;
    if (known && !withStamp) {
        type = DTTOIF(e.d_type);
        return e.d_type != DT_DIR;
    }
    struct stat st {};
    if (::fstatat(dir, e.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    type = st.st_mode & S_IFMT;
    if (withStamp)
        stamp = StampOfStat(st);
    if (S_ISLNK(st.st_mode)) {
        struct stat target {};
        // A dangling link is still an entry of the folder.
        return ::fstatat(dir, e.d_name, &target, 0) != 0 || !S_ISDIR(target.st_mode);
    }
    return !S_ISDIR(st.st_mode);
}

} // namespace

FolderListing ListGatherFolder(const std::string& folder, bool withRaw, bool withStamps) {
    FolderListing out;
    UniqueFd fd = OpenFolder(folder.empty() ? std::string(".") : folder);
    if (!fd)
        return out;
    struct stat self {};
    if (::fstat(fd.get(), &self) == 0) {
        out.id = FolderId{self.st_dev, self.st_ino};
        if (withStamps)
            out.stamp = StampOfStat(self);
    }
    const std::unique_ptr<DIR, DirCloser> d(::fdopendir(fd.get()));
    if (!d)
        return out;
    fd.release(); // the stream owns it now
    out.read = true;
    const int dir = ::dirfd(d.get());
    while (const dirent* e = ::readdir(d.get())) {
        const std::string_view name = e->d_name;
        std::vector<ListedName>* kind = nullptr;
        if (WildcardMatch("*.jpg", name))
            kind = &out.jpg;
        else if (WildcardMatch("*.jpeg", name))
            kind = &out.jpeg;
        else if (WildcardMatch("*.xmp", name))
            kind = &out.xmp;
        else if (withRaw && IsRawName(name))
            kind = &out.raw;
        if (!kind || name == "." || name == ".." || IsCopyTempName(name))
            continue;
        FileStamp stamp;
        mode_t type = 0;
        if (takeEntry(dir, *e, withStamps, stamp, type))
            kind->push_back({std::string(name), stamp, type});
    }
    return out;
}

int FolderMover::fdOf(Open& open, std::string_view path) {
    if (!open.tried || open.path != path) {
        open.path.assign(path);
        open.fd = OpenFolder(open.path);
        open.tried = true;
    }
    return open.fd.get();
}

bool FolderMover::look(const std::string& folder, const std::string& name, struct stat& st) {
    const int dir = fdOf(from_, folder);
    if (dir >= 0)
        return ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    const std::string path = folder + "/" + name;
    const PathAt at(path);
    return ::fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

FsResult FolderMover::move(const std::string& folder, const std::string& name,
                           const std::string& to, bool& renamed) {
    renamed = false;
    const std::size_t slash = to.rfind('/');
    const int fromDir = fdOf(from_, folder);
    const int toDir =
        slash == std::string::npos ? -1 : fdOf(to_, std::string_view(to).substr(0, slash + 1));
    if (fromDir >= 0 && toDir >= 0) {
        if (::renameat2(fromDir, name.c_str(), toDir, to.c_str() + slash + 1, RENAME_NOREPLACE) ==
            0) {
            renamed = true;
            return FsResult{true};
        }
        if (errno == EEXIST || errno == ENOENT)
            return FsResult{false, errno};
    }
    // Across file systems, or where the flag is refused: the general move sorts it out.
    const std::string from = folder + "/" + name;
    FsResult r = RenameNoReplace(from, to);
    renamed = r.ok;
    if (r.ok || r.error != EXDEV)
        return r;
    return MoveNoReplace(from, to);
}

} // namespace kivo::gathering
