#pragma once
// Where a gathered photo goes and what is done when its name is taken there: the date
// folders of the destination, the day a photo was taken, comparing two files, and the
// name a clashing photo is moved under.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "exif/photo_data.h"
#include "platform/datetime.h"

namespace kivo {

// A layout of date folders: the year, optionally the month and the day, each part after
// the one before it, separated by "/" (a subfolder) or by "-", "_" or "." (one name):
// "YYYY", "YYYY/MM", "YYYY/MM/DD", "YYYY-MM-DD", "YYYY_MM_DD", "YYYY.MM" …
struct DateFolderPattern {
    int parts = 1;          // 1 year, 2 with the month, 3 with the day
    char separator[2] = {}; // after the year, after the month
    std::string text;       // as it was given
};

// nullopt for anything else than the layouts above (letter case of YYYY, MM, DD aside).
std::optional<DateFolderPattern> ParseDateFolderPattern(std::string_view text);

// The relative folder of a day, "2024/05/17" for YYYY/MM/DD, "2024-05" for YYYY-MM.
std::string DateFolderOf(const DateFolderPattern& pattern, int year, int month, int day);

enum class DateSource {
    Taken,    // EXIF DateTimeOriginal
    Earliest, // the earliest other EXIF stamp
    FileTime, // the file's modification time
};

struct PhotoDate {
    TDateTime when = 0; // local time
    DateSource source = DateSource::FileTime;
};

// Dates photos with one reused metadata reader.
class PhotoDater {
public:
    PhotoDater();
    // `entry` is lstat's view of the path. A link is dated by its own time: what it points
    // at is never read.
    PhotoDate DateOf(const std::string& path, const struct stat& entry);

private:
    TPhotoData reader_;
};

// Whether two regular files hold the same bytes: their sizes first, then a hash of their
// first and last 64 KiB, then every byte. Links and anything that is no regular file are
// never the same; a file that changes size while it is read is not the same either.
bool SameContents(const std::string& a, const std::string& b);

// The name a photo whose name is taken goes under: "IMG_1.jpg", 2 -> "IMG_1_2.jpg"; the
// number goes before the last extension ("a.tar.xmp" -> "a.tar_1.xmp"), after a name
// without one, and never into a leading dot (".jpg" -> ".jpg_1").
std::string ClashName(std::string_view name, int number);

} // namespace kivo
