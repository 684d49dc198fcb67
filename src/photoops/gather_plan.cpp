#include "photoops/gather_plan.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include <dirent.h>
#include <sys/stat.h>

#include "platform/datetime.h"

namespace kivo::gathering {

namespace {

struct StringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// Whether a name is taken in a folder of the destination. A folder is read once, as long as
// the reading stays within a budget of the run's size, instead of a look per file; a larger
// folder is asked name by name.
class TakenNames {
public:
    explicit TakenNames(std::size_t budget) : budget_(budget) {}

    bool has(const std::string& path) {
        const std::size_t slash = path.rfind('/');
        struct stat st {};
        if (slash == std::string::npos)
            return ::lstat(path.c_str(), &st) == 0;
        auto it = folders_.find(std::string_view(path).substr(0, slash));
        if (it == folders_.end())
            it = folders_.emplace(path.substr(0, slash), read(path.substr(0, slash))).first;
        if (it->second)
            return it->second->contains(std::string_view(path).substr(slash + 1));
        return ::lstat(path.c_str(), &st) == 0;
    }

private:
    using Names = std::unordered_set<std::string, StringHash, std::equal_to<>>;

    std::optional<Names> read(const std::string& folder) {
        const std::unique_ptr<DIR, DirCloser> d(::opendir(folder.c_str()));
        if (!d)
            return std::nullopt;
        Names names;
        while (const dirent* e = ::readdir(d.get())) {
            if (budget_ == 0)
                return std::nullopt;
            --budget_;
            names.emplace(e->d_name);
        }
        return names;
    }

    std::size_t budget_;
    std::unordered_map<std::string, std::optional<Names>, StringHash, std::equal_to<>> folders_;
};

// The name up to its last dot (all of it without one).
std::string_view stemOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == 0 || dot == std::string_view::npos ? name : name.substr(0, dot);
}

// A date folder of the destination as it is before the run.
struct DateFolder {
    std::string path;
    std::vector<std::string> toMake;
    std::optional<FolderId> id; // when it is all there
    std::string unusable;       // why it cannot take photos
};

DateFolder resolveDateFolder(const std::string& destination, const std::string& relative) {
    DateFolder df;
    df.path = destination + "/" + relative;
    std::string current = destination;
    std::size_t start = 0;
    struct stat st {};
    while (start <= relative.size()) {
        const std::size_t slash = std::min(relative.find('/', start), relative.size());
        current += "/" + relative.substr(start, slash - start);
        start = slash + 1;
        if (!df.toMake.empty()) {
            df.toMake.push_back(current);
            continue;
        }
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                df.unusable = std::string(std::strerror(errno)) + ": " + current;
                return df;
            }
            df.toMake.push_back(current);
        } else if (!S_ISDIR(st.st_mode)) {
            // A link is never followed: the photos would land wherever it points.
            df.unusable = "not a folder: " + current;
            return df;
        }
    }
    if (df.toMake.empty())
        df.id = FolderId{st.st_dev, st.st_ino};
    return df;
}

} // namespace

std::optional<FolderId> FolderIdOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return FolderId{st.st_dev, st.st_ino};
}

std::vector<Target> PlanTargets(const std::vector<Found>& found,
                                const std::vector<std::string>& folders,
                                const std::string& destination, bool destinationUsable,
                                const std::optional<DateFolderPattern>& pattern,
                                bool renameClashes) {
    std::vector<Target> targets(found.size());
    std::vector<std::string> relative(found.size());
    std::map<std::string, DateFolder> dateFolders;
    std::set<FolderId> kept; // the destination and its date folders: never removed
    if (pattern)
        if (const auto id = FolderIdOf(destination))
            kept.insert(*id);
    std::map<std::size_t, std::optional<FolderId>> sourceIds;
    auto sourceId = [&](std::size_t folder) -> const std::optional<FolderId>& {
        auto it = sourceIds.find(folder);
        if (it == sourceIds.end())
            it = sourceIds.emplace(folder, FolderIdOf(folders[folder])).first;
        return it->second;
    };
    // target -> the file that goes there
    std::unordered_map<std::string, std::size_t, StringHash, std::equal_to<>> claimed;
    TakenNames taken(4 * found.size() + 1024);
    PhotoDater dater;
    for (std::size_t i = 0; i < found.size(); ++i) {
        const Found& f = found[i];
        Target& t = targets[i];
        const std::string name = f.path.substr(f.nameStart);
        t.path = destination + "/" + name;
        if (!destinationUsable || f.inDestination)
            continue;
        std::string folder = destination;
        bool folderExists = true;
        if (pattern) {
            struct stat st {};
            if (f.photoOf != std::string::npos && !relative[f.photoOf].empty()) {
                relative[i] = relative[f.photoOf]; // a sidecar goes with its photo
            } else if (::lstat(f.path.c_str(), &st) == 0) {
                int y = 0, mo = 0, d = 0;
                DecodeDate(dater.DateOf(f.path, st).when, y, mo, d);
                relative[i] = DateFolderOf(*pattern, y, mo, d);
            } else {
                continue; // gone already: missing when its turn comes
            }
            auto it = dateFolders.find(relative[i]);
            if (it == dateFolders.end()) {
                it = dateFolders.emplace(relative[i], resolveDateFolder(destination, relative[i]))
                         .first;
                if (it->second.id)
                    kept.insert(*it->second.id);
            }
            const DateFolder& df = it->second;
            t.path = df.path + "/" + name;
            if (!df.unusable.empty()) {
                t.plan = Plan::Unusable;
                t.reason = df.unusable;
                continue;
            }
            folder = df.path;
            folderExists = df.toMake.empty();
            t.toMake = df.toMake;
            const std::optional<FolderId>& here = sourceId(f.folderIndex);
            if (df.id && here && *here == *df.id) {
                t.plan = Plan::Stay;
                continue;
            }
        }
        auto isFree = [&](const std::string& path) {
            return !claimed.contains(path) && !(folderExists && taken.has(path));
        };
        // A sidecar of a photo that moves under a numbered name keeps its name with it.
        if (f.photoOf != std::string::npos && targets[f.photoOf].renamed) {
            const Found& photo = found[f.photoOf];
            // A view into the photo's path itself: a substr() temporary would dangle.
            const std::string_view oldStem =
                stemOf(std::string_view(photo.path).substr(photo.nameStart));
            const std::string& moved = targets[f.photoOf].path;
            const std::string_view newStem =
                stemOf(std::string_view(moved).substr(moved.rfind('/') + 1));
            if (name.starts_with(oldStem)) {
                const std::string candidate =
                    folder + "/" + std::string(newStem) + name.substr(oldStem.size());
                if (isFree(candidate)) {
                    t.path = candidate;
                    t.renamed = true;
                    t.withPhoto = true;
                    claimed.emplace(candidate, i);
                    continue;
                }
            }
        }
        std::string occupant;
        if (const auto it = claimed.find(t.path); it != claimed.end())
            occupant = found[it->second].path;
        else if (folderExists && taken.has(t.path))
            occupant = t.path;
        if (occupant.empty() || occupant == f.path) {
            claimed.emplace(t.path, i);
            continue;
        }
        if (SameContents(f.path, occupant)) {
            t.plan = Plan::Duplicate;
            continue;
        }
        t.plan = Plan::Clash;
        if (!renameClashes)
            continue;
        for (int k = 1; k <= 100000; ++k) {
            const std::string candidate = folder + "/" + ClashName(name, k);
            if (isFree(candidate)) {
                t.plan = Plan::Move;
                t.path = candidate;
                t.renamed = true;
                claimed.emplace(candidate, i);
                break;
            }
        }
    }
    if (pattern)
        for (std::size_t i = 0; i < found.size(); ++i) {
            const std::optional<FolderId>& id = sourceId(found[i].folderIndex);
            targets[i].keepFolder = id && kept.contains(*id);
        }
    return targets;
}

} // namespace kivo::gathering
