#include "photoops/rename_batch.h"

#include <cerrno>
#include <climits>
#include <set>
#include <unordered_map>
#include <utility>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "platform/regular_file.h"

namespace kivo {

namespace {

constexpr std::string_view kTargetExists = "target exists";

bool IsBareName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string ReasonOf(int error) {
    return error == EEXIST ? std::string(kTargetExists) : OpenErrorText(error);
}

bool EntryExists(const std::string& path) {
    struct stat st {};
    // lstat: a dangling link still takes the name.
    return ::lstat(path.c_str(), &st) == 0;
}

bool Active(const RenameItem& item) {
    return item.state == RenameState::Pending || item.state == RenameState::AtTemp;
}

} // namespace

std::string RenameTempName(long pid, std::string_view oldName) {
    std::string name(kRenameTempPrefix);
    name += std::to_string(pid);
    name += '~';
    name += oldName;
    return name;
}

std::optional<RenameTempParts> ParseRenameTempName(std::string_view name) {
    if (name.substr(0, kRenameTempPrefix.size()) != kRenameTempPrefix)
        return std::nullopt;
    name.remove_prefix(kRenameTempPrefix.size());
    const std::size_t tilde = name.find('~');
    if (tilde == 0 || tilde == std::string_view::npos || tilde > 10 || tilde + 1 == name.size())
        return std::nullopt;
    RenameTempParts parts;
    for (const char c : name.substr(0, tilde)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        parts.pid = parts.pid * 10 + (c - '0');
    }
    parts.oldName = std::string(name.substr(tilde + 1));
    if (!IsBareName(parts.oldName))
        return std::nullopt;
    return parts;
}

RenameBatch::RenameBatch(std::string folder, std::vector<RenameItem> items, long pid)
    : folder_(IncludeTrailingSlash(folder)), items_(std::move(items)), pid_(pid) {}

int RenameBatch::failures() const {
    int n = 0;
    for (const RenameItem& item : items_)
        n += item.state == RenameState::Failed ? 1 : 0;
    return n;
}

int RenameBatch::Check() {
    // Renaming needs write and search access to the folder, whatever the file's own mode.
    const bool folderWritable = ::access(folder_.c_str(), W_OK | X_OK) == 0;
    const int folderError = folderWritable ? 0 : errno;
    for (RenameItem& item : items_) {
        item.state = RenameState::Pending;
        item.reason.clear();
        item.stamp = {};
        const auto fail = [&item](std::string reason) {
            item.state = RenameState::Failed;
            item.reason = std::move(reason);
        };
        if (item.newName.empty()) {
            fail("no new name");
            continue;
        }
        if (!IsBareName(item.newName)) {
            fail("invalid new name");
            continue;
        }
        if (item.newName == item.oldName) {
            item.state = RenameState::Unchanged;
            continue;
        }
        // The entry first (its stamp is what a journal records), what a link names second.
        const std::string oldPath = pathOf(item.oldName);
        struct stat st {};
        if (::lstat(oldPath.c_str(), &st) != 0) {
            fail(ReasonOf(errno));
            continue;
        }
        item.stamp = StampOfStat(st);
        if (S_ISLNK(st.st_mode) && ::stat(oldPath.c_str(), &st) != 0) {
            fail(ReasonOf(errno));
            continue;
        }
        if (!S_ISREG(st.st_mode)) {
            fail(OpenErrorText(kNotRegularFile));
            continue;
        }
        if (item.newName.size() > NAME_MAX ||
            RenameTempName(pid_, item.oldName).size() > NAME_MAX) {
            fail(ReasonOf(ENAMETOOLONG));
            continue;
        }
        if (!folderWritable) {
            fail(ReasonOf(folderError));
            continue;
        }
        if (const std::string temp = RenameTempName(pid_, item.oldName); EntryExists(pathOf(temp)))
            fail("temporary name " + temp + " exists");
    }
    FailBlockedRows();
    return failures();
}

void RenameBatch::FailBlockedRows() {
    bool again = true;
    while (again) {
        again = false;
        std::set<std::string> leaving; // old names that the batch frees
        for (const RenameItem& item : items_)
            if (Active(item))
                leaving.insert(item.oldName);
        std::unordered_map<std::string, std::size_t> claimed;
        for (std::size_t i = 0; i < items_.size(); ++i) {
            RenameItem& item = items_[i];
            if (!Active(item))
                continue;
            std::string reason;
            if (const auto other = claimed.find(item.newName); other != claimed.end())
                reason = "same new name as " + items_[other->second].oldName;
            else if (!leaving.contains(item.newName) && EntryExists(pathOf(item.newName)))
                reason = kTargetExists;
            claimed.emplace(item.newName, i);
            if (reason.empty())
                continue;
            FailItem(item, std::move(reason));
            again = true;
        }
        if (FailGroups())
            again = true;
    }
}

void RenameBatch::FailItem(RenameItem& item, std::string reason) {
    if (item.state == RenameState::AtTemp) {
        // Its old name is still free: nothing has reached a new name yet.
        const FsResult back = RenameNoReplace(pathOf(item.tempName), pathOf(item.oldName));
        if (!back)
            reason += "; left as " + item.tempName + ": " + ReasonOf(back.error);
    }
    item.state = RenameState::Failed;
    item.reason = std::move(reason);
}

bool RenameBatch::FailGroups() {
    std::set<int> failed;
    for (const RenameItem& item : items_)
        if (item.group >= 0 && item.state == RenameState::Failed)
            failed.insert(item.group);
    bool any = false;
    for (RenameItem& item : items_) {
        if (item.group < 0 || !Active(item) || !failed.contains(item.group))
            continue;
        FailItem(item, "another file of its group cannot be renamed");
        any = true;
    }
    return any;
}

bool RenameBatch::MoveToTemporaryNames() {
    bool any = false;
    for (RenameItem& item : items_) {
        if (item.state != RenameState::Pending)
            continue;
        const std::string temp = RenameTempName(pid_, item.oldName);
        const FsResult r = RenameNoReplace(pathOf(item.oldName), pathOf(temp));
        if (r) {
            item.tempName = temp;
            item.state = RenameState::AtTemp;
        } else {
            item.state = RenameState::Failed;
            item.reason = ReasonOf(r.error);
        }
    }
    // A row that stayed behind still holds its old name, which another row may have wanted.
    FailBlockedRows();
    for (const RenameItem& item : items_)
        any = any || item.state == RenameState::AtTemp;
    return any;
}

void RenameBatch::MoveToNewNames() {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        RenameItem& item = items_[i];
        if (item.state != RenameState::AtTemp)
            continue;
        const FsResult r = RenameNoReplace(pathOf(item.tempName), pathOf(item.newName));
        if (!r) {
            RollBack(i, r.error);
            return;
        }
        item.state = RenameState::Renamed;
    }
}

void RenameBatch::RollBack(std::size_t failedRow, int error) {
    // Renamed rows go back to their temporary names first: only then are all old names free.
    for (std::size_t j = items_.size(); j-- > 0;) {
        RenameItem& item = items_[j];
        if (item.state != RenameState::Renamed)
            continue;
        const FsResult r = RenameNoReplace(pathOf(item.newName), pathOf(item.tempName));
        item.state = r ? RenameState::AtTemp : RenameState::Failed;
        item.reason = r ? std::string() : "left as " + item.newName + ": " + ReasonOf(r.error);
    }
    const std::string undone = "undone: " + items_[failedRow].oldName + " could not be renamed";
    for (std::size_t j = 0; j < items_.size(); ++j) {
        RenameItem& item = items_[j];
        if (item.state != RenameState::AtTemp)
            continue;
        std::string reason = j == failedRow ? ReasonOf(error) : undone;
        const FsResult r = RenameNoReplace(pathOf(item.tempName), pathOf(item.oldName));
        if (!r)
            reason += "; left as " + item.tempName + ": " + ReasonOf(r.error);
        item.state = RenameState::Failed;
        item.reason = std::move(reason);
    }
}

bool ProcessIsRunning(long pid) {
    if (pid <= 0)
        return false;
    if (pid == static_cast<long>(::getpid()))
        return true;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

std::vector<RestoredRename> RestoreInterruptedRenames(const std::string& folder,
                                                      const std::function<bool(long)>& isRunning) {
    std::vector<RestoredRename> result;
    const std::string prefix = IncludeTrailingSlash(folder);
    const std::string pattern = std::string(kRenameTempPrefix) + "*";
    for (const DirEntry& entry : EnumerateFolder(folder, pattern)) {
        if (entry.isDir())
            continue;
        const std::optional<RenameTempParts> parts = ParseRenameTempName(entry.name);
        if (!parts || isRunning(parts->pid))
            continue;
        RestoredRename restored{entry.name, parts->oldName, false, {}};
        const FsResult r = RenameNoReplace(prefix + entry.name, prefix + parts->oldName);
        restored.restored = r.ok;
        if (!r)
            restored.reason = ReasonOf(r.error);
        result.push_back(std::move(restored));
    }
    return result;
}

} // namespace kivo
