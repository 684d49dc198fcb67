#pragma once
// The dates of an XMP packet (an APP1 segment of a JPEG, or a sidecar file NAME.xmp):
// exif:DateTimeOriginal, xmp:CreateDate and photoshop:DateCreated.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace kivo {

struct XmpDates {
    std::string dateTimeOriginal; // exif:DateTimeOriginal, as written (ISO 8601)
    std::string createDate;       // xmp:CreateDate
    std::string dateCreated;      // photoshop:DateCreated
    bool empty() const {
        return dateTimeOriginal.empty() && createDate.empty() && dateCreated.empty();
    }
    // The first of the three that converts, as an EXIF stamp text; "" when none does.
    std::string TakenStamp() const;
};

// Finds the three properties as attributes (exif:DateTimeOriginal="...") or elements
// (<exif:DateTimeOriginal>...</exif:DateTimeOriginal>); the first of each counts.
XmpDates ParseXmpDates(std::string_view packet);

// "YYYY-MM-DDThh:mm[:ss[.fff]][zone]" or a date alone as the EXIF stamp text
// "YYYY:MM:DD hh:mm:ss" (the wall-clock time as written, the zone left out).
std::optional<std::string> XmpDateAsExifStamp(std::string_view text);

// The XMP bytes of an APP1 payload ("http://ns.adobe.com/xap/1.0/" and a zero byte, then
// the packet); nullopt for any other payload.
std::optional<std::string_view> XmpPacketOfApp1(std::string_view payload);

// The XMP sidecar of the photo at path: NAME.xmp, NAME.XMP, then NAME.ext.xmp and
// NAME.ext.XMP; only regular files, at most kMaxXmpBytes of it. "" when there is none.
inline constexpr std::size_t kMaxXmpBytes = 1024 * 1024;
std::string ReadXmpSidecar(const std::string& photoPath);

// ReadXmpSidecar for a run over many photos: a folder asked about more than a few times is
// listed once, so that its photos without a sidecar cost no failed look-ups. A sidecar that
// appears in a listed folder later in the run is not seen.
class XmpSidecarReader {
public:
    static constexpr int kListAfter = 8; // photos of a folder looked up one by one
    std::string Read(const std::string& photoPath);

private:
    struct Folder {
        int asked = 0;
        bool listed = false;
        std::unordered_set<std::string> sidecars; // names ending in .xmp or .XMP
    };
    std::unordered_map<std::string, Folder> folders_;
};

} // namespace kivo
