#pragma once
// Filling the EXIF date rows from the files themselves: one metadata reader serves all
// files; each row gets the file's modification time and its three EXIF date-time stamps.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "photoops/exif_date_table.h"

namespace kivo {

struct FileHead;
class TPhotoData;
class XmpSidecarReader;

// The row of one name, read with a reader of its own: one per thread. Date-time texts
// follow the fixed formats, which the caller sets (SetFixedDateTimeFormats) beforehand.
class ExifDateRowReader {
public:
    explicit ExifDateRowReader(std::string folder);
    ~ExifDateRowReader();
    ExifDateRowReader(const ExifDateRowReader&) = delete;
    ExifDateRowReader& operator=(const ExifDateRowReader&) = delete;
    // Nothing for a name that is no file.
    std::optional<ExifDateRow> Read(const std::string& name);
    // The same for a file whose head another thread read ahead (ReadFileHead of the
    // folder's path of name); a head that is not open reads name as above.
    std::optional<ExifDateRow> Read(const std::string& name, FileHead& head);

private:
    ExifDateTable paths_; // no rows: it only joins the folder and a name
    std::unique_ptr<TPhotoData> reader_;
    std::unique_ptr<XmpSidecarReader> sidecars_;
};

// One row per name, in the given order, for each name that is a file (not a folder) in
// `folder`; other names are skipped. "úprava" starts empty; the EXIF columns hold the
// date-time text of DateTime, DateTimeOriginal and DateTimeDigitized, or are empty when the
// file has no such stamp. A stamp that does not convert shows as the value 0 (1899.12.30).
// No row is selected.
ExifDateTable FillExifDateTable(const std::string& folder, const std::vector<std::string>& names);

} // namespace kivo
