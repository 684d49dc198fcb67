#include "photoops/exif_stamp_job.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "core/journal.h"
#include "exif/photo_data.h"
#include "platform/file_system.h"
#include "platform/regular_file.h"

namespace kivo {

std::vector<StampKind> StampsOf(StampChoice choice) {
    switch (choice) {
    case StampChoice::Modify:
        return {StampKind::Modify};
    case StampChoice::Taken:
        return {StampKind::Taken};
    case StampChoice::Digitized:
        return {StampKind::Digitized};
    case StampChoice::All:
        break;
    }
    return {kStampKinds.begin(), kStampKinds.end()};
}

ExifStampJob::ExifStampJob(std::string folder, std::vector<std::string> names,
                           StampCorrection correction)
    : folder_(IncludeTrailingSlash(folder)), correction_(std::move(correction)) {
    for (std::string& name : names) {
        StampJobRow row;
        row.name = std::move(name);
        rows_.push_back(std::move(row));
    }
}

std::string ExifStampJob::PathOf(const StampJobRow& row) const {
    return folder_ + row.name;
}

void ExifStampJob::planRow(StampJobRow& row) const {
    auto fail = [&](std::string why) {
        row.state = StampRowState::Failed;
        row.reason = std::move(why);
        row.patches.clear();
    };
    const std::string path = PathOf(row);
    const RegularFile file = OpenRegularFile(path, O_RDONLY | O_NOFOLLOW);
    if (!file)
        return fail(OpenErrorText(file.error));
    row.identity = IdentityOf(file.info);
    TPhotoData photo(kBuildAll);
    photo.ReadOpenFile(path, file.fd.get(), file.info);
    const StampSites sites = LocateStamps(photo);
    for (StampKind kind : kStampKinds)
        row.oldStamps[static_cast<std::size_t>(kind)] = sites.of(kind).text();
    if (!sites.error.empty())
        return fail(sites.error);

    // A stamp whose seconds are set anew sets its fraction too; a shift keeps it.
    std::string subsec;
    if (correction_.source == StampSource::Set ||
        (correction_.source == StampSource::Adjust && correction_.adjust.page != kPageRelative &&
         correction_.adjust.changeTime))
        subsec = "0";
    if (correction_.source == StampSource::FromMtime) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%09ld", static_cast<long>(file.info.st_mtim.tv_nsec));
        subsec = digits;
    }
    std::vector<StampEdit> edits;
    for (StampKind kind : StampsOf(correction_.stamps)) {
        const StampSite& site = sites.of(kind);
        // "All" means the stamps the photo has; one it has but that cannot be rewritten
        // fails the row all the same.
        if (correction_.stamps == StampChoice::All && !site.present)
            continue;
        if (!site.error.empty())
            return fail(site.error);
        std::optional<TDateTime> value;
        switch (correction_.source) {
        case StampSource::Adjust:
            value = ApplyAdjustment(correction_.adjust, *ParseStampText(site.text()));
            break;
        case StampSource::Set:
            value = ParseStampText(correction_.value);
            break;
        case StampSource::FromMtime:
            value = UnixToLocalDateTime(file.info.st_mtim.tv_sec);
            break;
        }
        if (!value)
            return fail("the corrected " + std::string(StampTagName(kind)) + " is out of range");
        const std::string text = StampText(*value);
        row.newStamps[static_cast<std::size_t>(kind)] = text;
        if (row.oldOffset.empty() && !site.offsetText().empty()) {
            row.oldOffset = site.offsetText();
            row.newOffset = correction_.offset.empty() ? row.oldOffset : correction_.offset;
        }
        edits.push_back({kind, text, correction_.offset, subsec});
    }
    if (edits.empty())
        return fail("no date-time stamp");
    StampPlan plan = PlanStampEdits(sites, edits);
    if (!plan.error.empty())
        return fail(plan.error);
    row.patches = std::move(plan.patches);
    row.state = row.patches.empty() ? StampRowState::Unchanged : StampRowState::Planned;
    row.reason.clear();
}

void ExifStampJob::Plan(const std::function<bool(std::size_t done)>& step) {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        planRow(rows_[i]);
        if (step && !step(i + 1))
            return;
    }
    planned_ = true;
}

std::size_t ExifStampJob::Write(Journal* journal) {
    if (!planned_)
        Plan();
    std::vector<std::size_t> journalRowOf(rows_.size(), std::string::npos);
    std::vector<JournalRow> intent;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const StampJobRow& r = rows_[i];
        if (r.state != StampRowState::Planned)
            continue;
        JournalRow row;
        row.op = RowOp::Patch;
        row.oldPath = PathOf(r);
        row.before = {true,           false,           r.identity.dev,
                      r.identity.ino, r.identity.size, r.identity.mtimeNs};
        row.auxData = EncodePatches(r.patches);
        row.newMtimeNs = correction_.times == PatchTimes::Keep ? r.identity.mtimeNs : 0;
        journalRowOf[i] = intent.size();
        intent.push_back(std::move(row));
    }
    std::unique_ptr<JournalBatch> batch;
    if (journal && !intent.empty())
        batch = BeginBatch(journal, BatchKind::ExifDate, ExcludeTrailingSlash(folder_),
                           std::move(intent), &journalError_);
    PatchOptions options;
    options.times = correction_.times == PatchTimes::Touch ? PatchTimes::Touch : PatchTimes::Keep;
    std::size_t written = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        StampJobRow& r = rows_[i];
        if (r.state != StampRowState::Planned)
            continue;
        const FsResult result = WritePatchedFile(PathOf(r), r.identity, r.patches, options);
        if (result) {
            r.state = StampRowState::Written;
            ++written;
        } else {
            r.state = StampRowState::Failed;
            r.reason = result.error == kFsSourceChanged || result.error == kFsPatchMismatch
                           ? "changed since it was read"
                           : result.message();
        }
        if (batch) {
            if (result)
                batch->done(journalRowOf[i], StampOf(PathOf(r)));
            else
                batch->notDone(journalRowOf[i], r.reason);
        }
    }
    if (batch) {
        batch->finish();
        if (!batch->error().empty())
            journalError_ = batch->error();
    }
    return written;
}

} // namespace kivo
