#include "photoops/exif_date_fill.h"

#include <cmath>
#include <cstdint>
#include <ctime>
#include <utility>

#include "exif/exif_info.h"
#include "exif/exif_offset.h"
#include "exif/exif_types.h"
#include "exif/photo_data.h"
#include "exif/xmp_dates.h"
#include "platform/datetime.h"
#include "platform/file_system.h"

namespace kivo {

namespace {

// The stamp (a wall-clock time at the given offset from UTC) as this computer's local time.
std::string exactText(TDateTime stamp, int offsetMinutes) {
    constexpr double kUnixEpoch = 25569; // 1970-01-01 as a date-time value
    const double seconds = std::round((stamp - kUnixEpoch) * 86400.0) - offsetMinutes * 60.0;
    return DateTimeText(UnixToLocalDateTime(static_cast<std::time_t>(seconds)));
}

} // namespace

ExifDateTable FillExifDateTable(const std::string& folder, const std::vector<std::string>& names) {
    SetFixedDateTimeFormats();
    ExifDateTable table(folder);
    TPhotoData reader(kBuildAll);
    XmpSidecarReader sidecars;
    for (const std::string& name : names) {
        ExifDateRow row;
        row.name = name;
        const std::string path = table.PathOf(row);
        if (!FileExists(path))
            continue;
        reader.ReadImageFile(path); // what it found is asked below; its result is not needed
        const auto age = FileAge(path);
        row.current = age ? DateTimeText(*age) : std::string();
        if (reader.ExifPresent() && reader.Exif) {
            TExifInfo& exif = *reader.Exif;
            const std::int32_t positions[3] = {exif.ModifyDatePos, exif.TakenDatePos,
                                               exif.DigitizedDatePos};
            static constexpr int kStampTags[3] = {0x0132, 0x9003, 0x9004};
            for (std::size_t i = 0; i < 3; ++i) {
                if (positions[i] <= 0)
                    continue;
                const TDateTime stamp = exif.DateAt(positions[i]);
                row.exif[i] = DateTimeText(stamp);
                const auto offset =
                    ParseExifOffsetMinutes(exif.TagTextByName(OffsetTagNameFor(kStampTags[i])));
                if (stamp != 0 && offset)
                    row.exifExact[i] = exactText(stamp, *offset);
            }
        }
        XmpDates xmp = ParseXmpDates(reader.XmpPacket);
        if (xmp.empty())
            xmp = ParseXmpDates(sidecars.Read(path));
        if (const std::string stamp = xmp.TakenStamp(); !stamp.empty())
            if (const TDateTime v = TExifInfo::ParseExifDate(stamp); v != 0)
                row.xmpTaken = DateTimeText(v);
        table.AddRow(std::move(row));
    }
    return table;
}

} // namespace kivo
