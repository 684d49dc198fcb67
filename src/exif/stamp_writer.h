#pragma once
// Where the three EXIF date-time stamps (and their time-zone offsets and fractions of a
// second) lie in a file's own
// bytes, and the byte patches that rewrite them in place. A stamp is only ever rewritten
// where it is, with the same length: one that is absent, not ASCII, not 20 bytes long,
// outside the EXIF bytes or not a date-time is reported with its reason, never created or
// moved (that would mean rebuilding a directory).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datetime.h"
#include "platform/patched_copy.h"

namespace kivo {

class TPhotoData;

enum class StampKind { Modify, Taken, Digitized }; // DateTime, DateTimeOriginal, -Digitized
inline constexpr std::array<StampKind, 3> kStampKinds = {StampKind::Modify, StampKind::Taken,
                                                         StampKind::Digitized};
std::string_view StampTagName(StampKind kind); // "DateTime", "DateTimeOriginal", …

// One stored ASCII value: where it lies in the file and its bytes as stored.
struct StampField {
    std::int64_t fileOffset = 0;
    std::vector<std::uint8_t> bytes;
};

struct StampSite {
    std::vector<StampField> stamps;  // every entry of the tag (nearly always one)
    std::vector<StampField> offsets; // its OffsetTime* entries, when the file has them
    // Its SubSecTime* entries that hold digits (or blanks); one that holds anything else
    // is left as it is: the stamp is right to the second without it.
    std::vector<StampField> subsecs;
    bool present = false;    // the file has an entry of the tag, usable or not
    std::string error;       // why the stamp cannot be rewritten; empty when it can
    std::string offsetError; // why its offset cannot be rewritten
    // "YYYY:MM:DD hh:mm:ss" as stored; empty when the stamp cannot be rewritten.
    std::string text() const;
    // "+hh:mm" as stored; empty without a usable offset field.
    std::string offsetText() const;
};

struct StampSites {
    std::string error; // the file as a whole: no EXIF, or EXIF that cannot be rewritten here
    std::array<StampSite, 3> sites;
    const StampSite& of(StampKind kind) const { return sites[static_cast<std::size_t>(kind)]; }
};

// Looks at what the reader found in the file it read last (TPhotoData::ReadOpenFile).
StampSites LocateStamps(const TPhotoData& photo);

// "YYYY:MM:DD hh:mm:ss" with digits and separators in place and a real date and time.
std::optional<TDateTime> ParseStampText(std::string_view text);
std::string StampText(TDateTime value);

struct StampEdit {
    StampKind kind = StampKind::Taken;
    std::string value;  // "YYYY:MM:DD hh:mm:ss"
    std::string offset; // "+hh:mm" for its OffsetTime* field when it has one; "" keeps it
    // Digits for its SubSecTime* fields when it has them, cut or padded with zeros to each
    // field's length; "" keeps them (a shift by whole units leaves the fraction right).
    std::string subsec;
};
struct StampPlan {
    std::vector<BytePatch> patches; // bytes that change, nothing else
    std::string error;              // the first edit that cannot be made: why
};
StampPlan PlanStampEdits(const StampSites& sites, std::span<const StampEdit> edits);

} // namespace kivo
