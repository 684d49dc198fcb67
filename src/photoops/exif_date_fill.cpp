#include "photoops/exif_date_fill.h"

#include <cstdint>
#include <utility>

#include "exif/exif_info.h"
#include "exif/exif_types.h"
#include "exif/photo_data.h"
#include "platform/datetime.h"
#include "platform/file_system.h"

namespace kivo {

ExifDateTable FillExifDateTable(const std::string& folder, const std::vector<std::string>& names) {
    SetFixedDateTimeFormats();
    ExifDateTable table(folder);
    TPhotoData reader(kBuildAll);
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
            const TExifInfo& exif = *reader.Exif;
            const std::int32_t positions[3] = {exif.ModifyDatePos, exif.TakenDatePos,
                                               exif.DigitizedDatePos};
            for (int i = 0; i < 3; ++i)
                if (positions[i] > 0)
                    row.exif[static_cast<std::size_t>(i)] = DateTimeText(exif.DateAt(positions[i]));
        }
        table.AddRow(std::move(row));
    }
    return table;
}

} // namespace kivo
