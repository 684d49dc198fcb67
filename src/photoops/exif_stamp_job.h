#pragma once
// Correcting the EXIF date-time stamps of photos (a camera clock that was wrong): the new
// stamps are computed per file (shifted with the settime calendar, set to a value, or
// taken from the file's time), planned as byte patches, and written crash-safely through
// a copy renamed over each photo, journaled so that an undo puts the bytes back exactly.
// Plain C++: kivo-tidy and the dialogs share it.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "exif/stamp_writer.h"
#include "photoops/adjust_settings.h"
#include "platform/patched_copy.h"

namespace kivo {

class Journal;

// Which stamps a correction rewrites. All: every one of the three the photo has (at least
// one); a single stamp the photo lacks fails its row.
enum class StampChoice { All, Modify, Taken, Digitized };
std::vector<StampKind> StampsOf(StampChoice choice);

enum class StampSource {
    Adjust,    // each stamp corrected by the adjustment settings (shift, or date/time set)
    Set,       // every stamp set to one value
    FromMtime, // every stamp set to the file's modification time (local time)
};

struct StampCorrection {
    StampChoice stamps = StampChoice::All;
    StampSource source = StampSource::Adjust;
    AdjustSettings adjust; // Adjust
    std::string value;     // Set: "YYYY:MM:DD hh:mm:ss"
    std::string offset;    // "+hh:mm" into the OffsetTime* fields the file has; "" keeps them
    PatchTimes times = PatchTimes::Keep; // Keep or Touch
};

enum class StampRowState { Planned, Unchanged, Written, Failed };

struct StampJobRow {
    std::string name;
    std::array<std::string, 3> oldStamps; // as stored, by StampKind; "" when not readable
    std::array<std::string, 3> newStamps; // the stamps the row writes; "" when not touched
    std::string oldOffset;                // of the first stamp written that has one
    std::string newOffset;
    StampRowState state = StampRowState::Planned;
    std::string reason; // of a failed row
    std::vector<BytePatch> patches;
    FileIdentity identity; // the file as it was read
};

class ExifStampJob {
public:
    ExifStampJob(std::string folder, std::vector<std::string> names, StampCorrection correction);

    // Reads every file and plans its row; nothing is written. `step`, when given, is told
    // after each row how many rows are done; returning false stops the planning, and the
    // job stays unplanned.
    void Plan(const std::function<bool(std::size_t done)>& step = {});
    bool planned() const { return planned_; }
    // Writes the planned rows (planning first when that has not happened), one journal
    // batch for all of them when there is a journal. The number of files written.
    std::size_t Write(Journal* journal);

    const std::vector<StampJobRow>& rows() const { return rows_; }
    std::string PathOf(const StampJobRow& row) const;
    const std::string& journalError() const { return journalError_; }

private:
    void planRow(StampJobRow& row) const;

    std::string folder_; // with a trailing "/"
    StampCorrection correction_;
    std::vector<StampJobRow> rows_;
    bool planned_ = false;
    std::string journalError_;
};

} // namespace kivo
