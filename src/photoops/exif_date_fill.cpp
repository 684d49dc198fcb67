#include "photoops/exif_date_fill.h"

#include <cmath>
#include <cstdint>
#include <ctime>
#include <string_view>
#include <utility>

#include "exif/exif_info.h"
#include "exif/exif_offset.h"
#include "exif/exif_types.h"
#include "exif/photo_data.h"
#include "exif/xmp_dates.h"
#include "platform/datetime.h"
#include "platform/file_system.h"
#include "platform/regular_file.h"
#include "platform/regular_file_nonblocking.h"

namespace kivo {

namespace {

// The stamp (a wall-clock time at the given offset from UTC) as this computer's local time.
std::string exactText(TDateTime stamp, int offsetMinutes) {
    constexpr double kUnixEpoch = 25569; // 1970-01-01 as a date-time value
    const double seconds = std::round((stamp - kUnixEpoch) * 86400.0) - offsetMinutes * 60.0;
    return DateTimeText(UnixToLocalDateTime(static_cast<std::time_t>(seconds)));
}

} // namespace

ExifDateRowReader::ExifDateRowReader(std::string folder)
    : paths_(std::move(folder)), reader_(std::make_unique<TPhotoData>(kBuildAll)),
      sidecars_(std::make_unique<XmpSidecarReader>()) {}

ExifDateRowReader::~ExifDateRowReader() = default;

std::optional<ExifDateRow> ExifDateRowReader::Read(const std::string& name) {
    FileHead none;
    return Read(name, none);
}

std::optional<ExifDateRow> ExifDateRowReader::Read(const std::string& name, FileHead& head) {
    ExifDateRow row;
    row.name = name;
    const std::string path = paths_.PathOf(row);
    TPhotoData& reader = *reader_;
    std::optional<TDateTime> age;
    // What is read and the time shown come from one open file; what it found is asked
    // below, its result is not needed.
    if (head.file) {
        age = FileAgeOf(head.file.info);
        reader.ReadImageFile(path, head);
    } else if (const RegularFile file = OpenRegularFileNonBlocking(path)) {
        reader.ReadOpenFile(path, file.fd.get(), file.info);
        age = FileAgeOf(file.info);
    } else {
        if (!FileExists(path)) // gone, or a folder
            return std::nullopt;
        reader.ReadImageFile(path); // refused as no regular file; forgets the last one
        age = FileAge(path);
    }
    row.current = age ? DateTimeText(*age) : std::string();
    if (reader.ExifPresent() && reader.Exif) {
        TExifInfo& exif = *reader.Exif;
        const std::int32_t positions[3] = {exif.ModifyDatePos, exif.TakenDatePos,
                                           exif.DigitizedDatePos};
        static constexpr int kStampTags[3] = {0x0132, 0x9003, 0x9004};
        // The three offsets are found in one pass over the tag list.
        const std::string_view offsetNames[3] = {OffsetTagNameFor(kStampTags[0]),
                                                 OffsetTagNameFor(kStampTags[1]),
                                                 OffsetTagNameFor(kStampTags[2])};
        int offsetAt[3] = {-1, -1, -1};
        if (positions[0] > 0 || positions[1] > 0 || positions[2] > 0)
            exif.TagIndexesByName(offsetNames, offsetAt);
        for (std::size_t i = 0; i < 3; ++i) {
            if (positions[i] <= 0)
                continue;
            const TDateTime stamp = exif.DateAt(positions[i]);
            row.exif[i] = DateTimeText(stamp);
            const auto offset = ParseExifOffsetMinutes(exif.TagTextAt(offsetAt[i]));
            if (stamp != 0 && offset)
                row.exifExact[i] = exactText(stamp, *offset);
        }
    }
    XmpDates xmp = ParseXmpDates(reader.XmpPacket);
    if (xmp.empty())
        xmp = ParseXmpDates(sidecars_->Read(path));
    if (const std::string stamp = xmp.TakenStamp(); !stamp.empty())
        if (const TDateTime v = TExifInfo::ParseExifDate(stamp); v != 0)
            row.xmpTaken = DateTimeText(v);
    return row;
}

ExifDateTable FillExifDateTable(const std::string& folder, const std::vector<std::string>& names) {
    SetFixedDateTimeFormats();
    ExifDateTable table(folder);
    ExifDateRowReader reader(folder);
    for (const std::string& name : names)
        if (std::optional<ExifDateRow> row = reader.Read(name))
            table.AddRow(std::move(*row));
    return table;
}

} // namespace kivo
