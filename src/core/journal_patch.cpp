#include "core/journal_patch.h"

#include <optional>
#include <vector>

#include <unistd.h>

#include "platform/regular_file.h"

namespace kivo {

PatchedFile LookAtPatchedFile(const JournalRow& row) {
    const std::optional<std::vector<BytePatch>> patches = DecodePatches(row.auxData);
    if (!patches || patches->empty())
        return PatchedFile::Other;
    const RegularFile file = OpenRegularFile(row.oldPath, O_RDONLY | O_NOFOLLOW);
    if (!file || static_cast<std::uint64_t>(file.info.st_size) != row.before.size)
        return PatchedFile::Other;
    bool allOld = true;
    bool allNew = true;
    std::vector<std::uint8_t> seen;
    for (const BytePatch& p : *patches) {
        seen.resize(p.oldBytes.size());
        const ssize_t got = ::pread(file.fd.get(), seen.data(), seen.size(), p.offset);
        if (got != static_cast<ssize_t>(seen.size()))
            return PatchedFile::Other;
        allOld = allOld && seen == p.oldBytes;
        allNew = allNew && seen == p.newBytes;
    }
    return allOld ? PatchedFile::Before : allNew ? PatchedFile::After : PatchedFile::Other;
}

JournalRow InversePatchRow(const JournalRow& row, const FileStamp& now) {
    JournalRow inv;
    inv.op = RowOp::Patch;
    inv.oldPath = row.oldPath;
    inv.before = now;
    std::vector<BytePatch> patches = DecodePatches(row.auxData).value_or(std::vector<BytePatch>{});
    for (BytePatch& p : patches)
        std::swap(p.oldBytes, p.newBytes);
    inv.auxData = EncodePatches(patches);
    inv.newMtimeNs = row.before.mtimeNs;
    return inv;
}

std::string RunPatchRow(const JournalRow& row) {
    const std::optional<std::vector<BytePatch>> patches = DecodePatches(row.auxData);
    if (!patches)
        return "the journal row cannot be read";
    const FileIdentity expected{row.before.dev, row.before.ino, row.before.size,
                                row.before.mtimeNs};
    PatchOptions options;
    options.times = row.newMtimeNs != 0 ? PatchTimes::Exact : PatchTimes::Touch;
    options.mtimeNs = row.newMtimeNs;
    const FsResult r = WritePatchedFile(row.oldPath, expected, *patches, options);
    if (r)
        return {};
    if (r.error == kFsSourceChanged || r.error == kFsPatchMismatch)
        return "changed since";
    return r.error == ENOENT ? "no longer there" : r.message();
}

} // namespace kivo
