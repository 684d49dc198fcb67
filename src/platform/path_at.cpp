#include "platform/path_at.h"

#include <cerrno>
#include <climits>
#include <string_view>

namespace kivo {

namespace {

std::string_view WithoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

// "a/b/c" -> {"a/b", "c"}; "/c" -> {"/", "c"}; "c" -> {".", "c"}.
std::pair<std::string, std::string> SplitLast(std::string_view path) {
    path = WithoutTrailingSlashes(path);
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {".", std::string(path)};
    std::string_view folder = path.substr(0, slash);
    folder = WithoutTrailingSlashes(folder);
    return {folder.empty() ? std::string("/") : std::string(folder),
            std::string(path.substr(slash + 1))};
}

} // namespace

UniqueFd OpenFolder(const std::string& path, int extraFlags) {
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | extraFlags;
    if (path.size() < PATH_MAX)
        return UniqueFd(::open(path.c_str(), flags));
    // Walk down in pieces that each fit PATH_MAX, cut at a "/".
    UniqueFd base;
    std::string_view rest = path;
    while (rest.size() >= PATH_MAX) {
        const std::size_t cut = rest.rfind('/', PATH_MAX - 1);
        if (cut == std::string_view::npos || cut == 0) {
            if (cut == 0 && !base.valid()) {
                base.reset(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
                if (!base)
                    return {};
                rest.remove_prefix(1);
                continue;
            }
            errno = ENAMETOOLONG;
            return {};
        }
        const std::string piece(rest.substr(0, cut));
        UniqueFd next(::openat(base.valid() ? base.get() : AT_FDCWD, piece.c_str(),
                               O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!next)
            return {};
        base = std::move(next);
        rest.remove_prefix(cut + 1);
        while (!rest.empty() && rest.front() == '/')
            rest.remove_prefix(1);
    }
    const std::string last = rest.empty() ? std::string(".") : std::string(rest);
    return UniqueFd(::openat(base.valid() ? base.get() : AT_FDCWD, last.c_str(), flags));
}

PathAt::PathAt(const std::string& path) {
    if (path.size() < PATH_MAX) {
        name_ = path;
        return;
    }
    auto [folder, name] = SplitLast(path);
    name_ = std::move(name);
    parent_ = OpenFolder(folder, O_PATH);
    if (!parent_) {
        error_ = errno;
        // Any call against the bad descriptor fails; keep its reason for the caller.
        name_ = path;
    }
}

FolderAndName OpenParentFolder(const std::string& path) {
    FolderAndName result;
    auto [folder, name] = SplitLast(path);
    result.name = std::move(name);
    result.folder = OpenFolder(folder);
    if (!result.folder)
        result.error = errno;
    return result;
}

} // namespace kivo
