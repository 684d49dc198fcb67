// Locating the date-time stamps in a file's bytes and planning their rewrite.

#include "exif/stamp_writer.h"

#include <cstdio>

#include "exif/exif_offset.h"
#include "exif/exif_types.h"
#include "exif/photo_data.h"

namespace kivo {

namespace {

constexpr std::int64_t kStampBytes = 20; // "YYYY:MM:DD hh:mm:ss" and a zero
constexpr std::int64_t kOffsetBytes = 7; // "+hh:mm" and a zero
// Real files have one entry per tag; a file with more than a few is no camera's.
constexpr std::size_t kMaxEntriesPerTag = 8;

// A fraction of a second longer than nanoseconds is no camera's.
constexpr std::int64_t kMaxSubsecBytes = 16;

struct StampTags {
    int stamp;
    int offset;
    int subsec;
};
constexpr StampTags kTags[] = {
    {0x0132, 0x9010, 0x9290}, {0x9003, 0x9011, 0x9291}, {0x9004, 0x9012, 0x9292}};

std::string_view AsText(const std::vector<std::uint8_t>& bytes, std::size_t n) {
    return {reinterpret_cast<const char*>(bytes.data()), std::min(n, bytes.size())};
}

// The stored fields of one tag, or why they cannot be rewritten. `wanted` 0 takes any
// count up to kMaxSubsecBytes.
std::string Collect(const TExifInfo& exif, std::int64_t base, int tag, std::int64_t wanted,
                    std::string_view name, std::vector<StampField>& out) {
    const ByteCursor bytes = exif.ExifCursor(exif.BigEndian);
    for (const TExifInfo::StampEntry& e : exif.StampEntries) {
        if (e.tag != tag)
            continue;
        if (e.format != kFormatAscii)
            return std::string(name) + " is not ASCII text";
        if (wanted == 0 && (e.count < 1 || e.count > kMaxSubsecBytes))
            return std::string(name) + " has " + std::to_string(e.count) + " bytes";
        if (wanted != 0 && e.count != wanted)
            return std::string(name) + " has " + std::to_string(e.count) + " bytes, not " +
                   std::to_string(wanted);
        const std::int64_t size = wanted != 0 ? wanted : e.count;
        if (!bytes.has(e.valuePos, size))
            return std::string(name) + " lies outside the EXIF data";
        const std::int64_t offset = base + e.valuePos - 1;
        bool seen = false;
        for (const StampField& f : out)
            seen = seen || f.fileOffset == offset;
        if (seen)
            continue; // two entries naming one value
        if (out.size() == kMaxEntriesPerTag)
            return std::string(name) + " is stored more than " + std::to_string(kMaxEntriesPerTag) +
                   " times";
        const auto value = bytes.take(e.valuePos, size);
        out.push_back({offset, {value.begin(), value.end()}});
    }
    return {};
}

bool Digits(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The part of a SubSecTime value before its terminating zeros.
std::size_t SubsecDigits(const std::vector<std::uint8_t>& bytes) {
    std::size_t n = bytes.size();
    while (n > 0 && bytes[n - 1] == 0)
        --n;
    return n;
}

// Digits, and blanks that stand for an unknown fraction.
bool UsableSubsec(const StampField& f) {
    const std::size_t n = SubsecDigits(f.bytes);
    for (std::size_t i = 0; i < n; ++i)
        if (f.bytes[i] != ' ' && (f.bytes[i] < '0' || f.bytes[i] > '9'))
            return false;
    return n > 0;
}

} // namespace

std::string_view StampTagName(StampKind kind) {
    static constexpr std::string_view kNames[] = {"DateTime", "DateTimeOriginal",
                                                  "DateTimeDigitized"};
    return kNames[static_cast<std::size_t>(kind)];
}

std::string StampSite::text() const {
    return error.empty() && !stamps.empty() ? std::string(AsText(stamps[0].bytes, 19))
                                            : std::string();
}

std::string StampSite::offsetText() const {
    return offsetError.empty() && !offsets.empty() ? std::string(AsText(offsets[0].bytes, 6))
                                                   : std::string();
}

StampSites LocateStamps(const TPhotoData& photo) {
    StampSites out;
    if (!photo.ExifSlot || !photo.Exif) {
        out.error = "no EXIF data";
        return out;
    }
    if (photo.ExifSlot->FileOffset < 0) {
        out.error = "the EXIF data lies inside a part of the file that is not rewritten in place";
        return out;
    }
    const TExifInfo& exif = *photo.Exif;
    for (std::size_t k = 0; k < kStampKinds.size(); ++k) {
        StampSite& site = out.sites[k];
        const std::string_view name = StampTagName(kStampKinds[k]);
        site.error = Collect(exif, photo.ExifSlot->FileOffset, kTags[k].stamp, kStampBytes, name,
                             site.stamps);
        site.present = !site.error.empty() || !site.stamps.empty();
        if (!site.present)
            site.error = "no " + std::string(name) + " stamp";
        for (const StampField& f : site.stamps)
            if (site.error.empty() && !ParseStampText(AsText(f.bytes, 19)))
                site.error = std::string(name) + " does not hold YYYY:MM:DD hh:mm:ss";
        if (!site.error.empty())
            site.stamps.clear();
        site.offsetError = Collect(exif, photo.ExifSlot->FileOffset, kTags[k].offset, kOffsetBytes,
                                   OffsetTagNameFor(kTags[k].stamp), site.offsets);
        if (!site.offsetError.empty())
            site.offsets.clear();
        if (Collect(exif, photo.ExifSlot->FileOffset, kTags[k].subsec, 0, "SubSecTime",
                    site.subsecs)
                .empty())
            std::erase_if(site.subsecs, [](const StampField& f) { return !UsableSubsec(f); });
        else
            site.subsecs.clear();
    }
    return out;
}

std::optional<TDateTime> ParseStampText(std::string_view text) {
    // YYYY:MM:DD hh:mm:ss
    if (text.size() != 19 || text[4] != ':' || text[7] != ':' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    for (std::size_t at : {0, 5, 8, 11, 14, 17})
        if (!Digits(text.substr(at, at == 0 ? 4 : 2)))
            return std::nullopt;
    auto num = [&](std::size_t at, std::size_t n) {
        return std::stoi(std::string(text.substr(at, n)));
    };
    TDateTime date = 0;
    TDateTime time = 0;
    if (!TryEncodeDate(num(0, 4), num(5, 2), num(8, 2), date) ||
        !TryEncodeTime(num(11, 2), num(14, 2), num(17, 2), 0, time))
        return std::nullopt;
    return ComposeDateTime(date, time);
}

std::string StampText(TDateTime value) {
    int year, month, day, hour, minute, second, msec;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
    char text[32];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", year, month, day, hour,
                  minute, second);
    return text;
}

StampPlan PlanStampEdits(const StampSites& sites, std::span<const StampEdit> edits) {
    StampPlan plan;
    auto fail = [&](std::string why) {
        plan.patches.clear();
        plan.error = std::move(why);
        return plan;
    };
    if (!sites.error.empty())
        return fail(sites.error);
    auto add = [&](const StampField& f, std::string_view text) {
        std::vector<std::uint8_t> bytes(text.begin(), text.end());
        bytes.push_back(0);
        if (bytes != f.bytes)
            plan.patches.push_back({f.fileOffset, f.bytes, std::move(bytes)});
    };
    for (const StampEdit& edit : edits) {
        const StampSite& site = sites.of(edit.kind);
        if (!site.error.empty())
            return fail(site.error);
        if (!ParseStampText(edit.value))
            return fail("the new " + std::string(StampTagName(edit.kind)) + " '" + edit.value +
                        "' is not YYYY:MM:DD hh:mm:ss");
        for (const StampField& f : site.stamps)
            add(f, edit.value);
        if (!edit.subsec.empty() && !Digits(edit.subsec))
            return fail("the fraction of a second '" + edit.subsec + "' is not digits");
        if (!edit.subsec.empty())
            for (const StampField& f : site.subsecs) {
                // Each field keeps its length and its terminating zeros.
                std::vector<std::uint8_t> bytes = f.bytes;
                const std::size_t n = SubsecDigits(bytes);
                for (std::size_t i = 0; i < n; ++i)
                    bytes[i] =
                        static_cast<std::uint8_t>(i < edit.subsec.size() ? edit.subsec[i] : '0');
                if (bytes != f.bytes)
                    plan.patches.push_back({f.fileOffset, f.bytes, std::move(bytes)});
            }
        if (edit.offset.empty())
            continue;
        if (!ParseExifOffsetMinutes(edit.offset) || edit.offset.size() != 6)
            return fail("the offset '" + edit.offset + "' is not +hh:mm or -hh:mm");
        if (!site.offsetError.empty())
            return fail(site.offsetError);
        for (const StampField& f : site.offsets)
            add(f, edit.offset);
    }
    return plan;
}

} // namespace kivo
