#include "cli/lib/info_report.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ostream>

#include "cli/lib/json_names.h"
#include "exif/iptc.h"
#include "exif/photo_data.h"
#include "exif/xmp_dates.h"
#include "kivo_version.h"
#include "platform/datetime.h"
#include "platform/regular_file.h"

namespace kivo {

namespace {

struct Stamp {
    const char* key;
    std::int32_t pos;
};

std::vector<Stamp> stampsOf(const TPhotoData& photo) {
    const TExifInfo* exif = photo.Exif.get();
    return {{"DateTime", exif ? exif->ModifyDatePos : 0},
            {"DateTimeOriginal", exif ? exif->TakenDatePos : 0},
            {"DateTimeDigitized", exif ? exif->DigitizedDatePos : 0}};
}

// The date-time text the EXIF date dialog shows for a position; "" when absent.
std::string dateText(const TPhotoData& photo, std::int32_t pos) {
    return pos > 0 && photo.Exif ? DateTimeText(photo.Exif->DateAt(pos)) : std::string();
}

std::string crlfToLf(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

// The XMP dates of the file's packet, else of its sidecar.
XmpDates xmpDatesOf(const std::string& file, const TPhotoData& photo) {
    XmpDates dates = ParseXmpDates(photo.XmpPacket);
    if (dates.empty())
        dates = ParseXmpDates(ReadXmpSidecar(file));
    return dates;
}

// Lens, body and time-zone facts (EXIF 2.3 tags), by tag-list key.
constexpr const char* kExif23Facts[] = {
    "LensMake",         "LensModel",      "OffsetTime", "OffsetTimeOriginal", "OffsetTimeDigitized",
    "BodySerialNumber", "CameraOwnerName"};

} // namespace

std::string InfoUsage() {
    return "Usage: kivo-info [--json] [--tags] [--trace] FILE...\n"
           "       kivo-info --help | --version\n"
           "Shows what the metadata reader finds in photo files: JPEG (.jpg .jpeg .jpe),\n"
           "TIFF (.tif .tiff), RAW (.cr2 .cr3 .nef .nrw .dng .arw .sr2 .srf .pef .orf .rw2\n"
           ".raw .rwl .iiq .3fr .erf .srw .raf .mrw) and HEIF (.heic .heif .hif .avif).\n"
           "Per file, by default: the path, the reader's status, whether EXIF is present,\n"
           "the three date-time stamps (DateTime, DateTimeOriginal, DateTimeDigitized) as\n"
           "the EXIF date dialog shows them, make, model and pixel size; lens, body and\n"
           "time-zone offsets when the file has them.\n"
           "\n"
           "  --json     one JSON array with one object per file (all fields, the tag list,\n"
           "             the traces and the IPTC records included)\n"
           "  --tags     add the tag list (caption = shown text), maker notes included,\n"
           "             and the IPTC records\n"
           "  --trace    add the reader's trace listing and the maker-note trace\n"
           "  -h, --help show this text\n"
           "  --version  show the program's version\n"
           "\n"
           "Only regular files are read: a folder, a FIFO, a socket or a device is refused\n"
           "with a message. A value longer than 64 KiB is shown as \"(N bytes)\".\n"
           "\n"
           "Exit status: 0 when every file could be read (with or without EXIF), 1 when a\n"
           "file is missing, a folder, not a regular file or cannot be opened (a message on\n"
           "stderr and, with --json, an object with an \"error\" field; the other files are\n"
           "still reported), 2 for bad usage.\n"
           "\n" +
           std::string(kJsonNamesHelp);
}

std::string InfoVersion() {
    // The version of the program's version block (the about box shows the same).
    return "kivo-info " KIVO_VERSION_TEXT " (Kivomat)\n";
}

std::string InfoFileProblem(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? "no such file" : std::strerror(errno);
    if (S_ISDIR(st.st_mode))
        return "is a folder";
    if (!S_ISREG(st.st_mode))
        return OpenErrorText(kNotRegularFile);
    return {};
}

bool ParseInfoArgs(const std::vector<std::string>& args, InfoOptions& options, std::string& error) {
    bool onlyFiles = false;
    for (const auto& arg : args) {
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
            options.files.push_back(arg);
        } else if (arg == "--") {
            onlyFiles = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--tags") {
            options.tags = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else {
            error = "unknown option: " + arg;
            return false;
        }
    }
    if (!options.help && !options.version && options.files.empty()) {
        error = "no files given";
        return false;
    }
    return true;
}

nlohmann::ordered_json InfoJson(const std::string& file, TPhotoData& photo) {
    TExifInfo* exif = photo.Exif.get();
    nlohmann::ordered_json j;
    PutName(j, "file", file);
    j["status"] = photo.StatusText;
    j["exif_present"] = photo.ExifPresent();
    nlohmann::ordered_json positions = nlohmann::ordered_json::object();
    nlohmann::ordered_json dates = nlohmann::ordered_json::object();
    for (const auto& s : stampsOf(photo)) {
        positions[s.key] = s.pos;
        dates[s.key] = dateText(photo, s.pos);
    }
    j["positions"] = positions;
    j["dates"] = dates;
    j["make"] = exif ? exif->MakeText : "";
    j["model"] = exif ? exif->ModelText : "";
    j["pixel_width"] = exif ? exif->PixelWidth : 0;
    j["pixel_height"] = exif ? exif->PixelHeight : 0;
    j["flash"] = exif ? exif->FlashValue : 0;
    for (const char* key : kExif23Facts)
        j[key] = exif ? exif->TagTextByName(key) : "";
    const XmpDates xmp = xmpDatesOf(file, photo);
    j["xmp_dates"] = {{"DateTimeOriginal", xmp.dateTimeOriginal},
                      {"CreateDate", xmp.createDate},
                      {"DateCreated", xmp.dateCreated}};
    j["maker_decoded"] = exif ? exif->MakerDecoded : false;
    nlohmann::ordered_json tags = nlohmann::ordered_json::array();
    if (exif) {
        const auto& rows = exif->Tags();
        for (int i = 0; i < exif->TagCount(); ++i) {
            const tTagRow& row = rows[static_cast<std::size_t>(i)];
            tags.push_back({{"key", row.Key},
                            {"caption", row.Caption},
                            {"number", row.Number},
                            {"format", row.Format},
                            {"kind", row.Kind},
                            {"shown", row.Shown}});
        }
    }
    j["tags"] = tags;
    j["trace"] = exif ? exif->TraceText() : "";
    j["maker_trace"] = exif ? exif->MakerTrace : "";
    // The reader keeps the raw APP13 bytes; the records are parsed when asked for.
    if (photo.Iptc && photo.IptcSlot) {
        photo.Iptc->ParseIptcSegment(photo.IptcBytes());
        nlohmann::ordered_json iptc = nlohmann::ordered_json::array();
        for (const tTagRow& row : photo.Iptc->Records())
            iptc.push_back({{"key", row.Key},
                            {"caption", row.Caption},
                            {"record", row.Aux},
                            {"dataset", row.Number},
                            {"shown", row.Shown}});
        j["iptc"] = iptc;
    }
    return j;
}

nlohmann::ordered_json InfoErrorJson(const std::string& file, const std::string& error) {
    nlohmann::ordered_json j;
    PutName(j, "file", file);
    j["error"] = error;
    return j;
}

std::string InfoText(const std::string& file, TPhotoData& photo, bool withTags, bool withTrace) {
    TExifInfo* exif = photo.Exif.get();
    std::string out = file + "\n";
    out += "  Status:            " + photo.StatusText + "\n";
    out += std::string("  EXIF present:      ") + (photo.ExifPresent() ? "yes" : "no") + "\n";
    for (const auto& s : stampsOf(photo)) {
        std::string label = std::string(s.key) + ":";
        label.resize(19, ' ');
        out += "  " + label + dateText(photo, s.pos) + "\n";
    }
    out += "  Make:              " + (exif ? exif->MakeText : "") + "\n";
    out += "  Model:             " + (exif ? exif->ModelText : "") + "\n";
    out += "  Pixel size:        ";
    if (exif && (exif->PixelWidth || exif->PixelHeight))
        out += std::to_string(exif->PixelWidth) + " x " + std::to_string(exif->PixelHeight);
    out += "\n";
    const XmpDates xmp = xmpDatesOf(file, photo);
    for (const auto& [label, value] : {std::pair{"XMP DateTimeOriginal: ", &xmp.dateTimeOriginal},
                                       std::pair{"XMP CreateDate:     ", &xmp.createDate},
                                       std::pair{"XMP DateCreated:    ", &xmp.dateCreated}})
        if (!value->empty())
            out += std::string("  ") + label + *value + "\n";
    // Shown only when the file has them, so older files read as before.
    for (const char* key : kExif23Facts) {
        const std::string text = exif ? exif->TagTextByName(key) : "";
        if (text.empty())
            continue;
        std::string label = std::string(key) + ":";
        label.resize(std::max<std::size_t>(label.size() + 1, 19), ' ');
        out += "  " + label + text + "\n";
    }
    if (withTags) {
        out += "  Tags:\n";
        if (exif) {
            const auto& rows = exif->Tags();
            for (int i = 0; i < exif->TagCount(); ++i) {
                const tTagRow& row = rows[static_cast<std::size_t>(i)];
                out += "    " + row.Caption + " = " + row.Shown + "\n";
            }
        }
        // IPTC records are parsed only when asked for: the reader keeps the raw segment.
        if (photo.Iptc && photo.IptcSlot) {
            photo.Iptc->ParseIptcSegment(photo.IptcBytes());
            if (photo.Iptc->RecordCount() > 0) {
                out += "  IPTC:\n";
                for (const tTagRow& row : photo.Iptc->Records())
                    out += "    " + row.Caption + " = " + row.Shown + "\n";
            }
        }
    }
    if (withTrace) {
        out += "  Trace:";
        if (exif)
            out += crlfToLf(exif->TraceText());
        out += "\n";
        if (exif && !exif->MakerTrace.empty())
            out += "  Maker trace:" + crlfToLf(exif->MakerTrace) + "\n";
    }
    return out;
}

int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    InfoOptions options;
    std::string error;
    if (!ParseInfoArgs(args, options, error)) {
        err << "kivo-info: " << error << "\n" << InfoUsage();
        return 2;
    }
    if (options.help) {
        out << InfoUsage();
        return 0;
    }
    if (options.version) {
        out << InfoVersion();
        return 0;
    }
    int status = 0;
    TPhotoData photo(kBuildAll);
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    bool first = true;
    auto fail = [&](const std::string& file, const std::string& error) {
        // One line on stderr; with --json the file keeps its place in the array.
        err << "kivo-info: " << file << ": " << error << "\n";
        if (options.json)
            all.push_back(InfoErrorJson(file, error));
        status = 1;
    };
    for (const auto& file : options.files) {
        // Only regular files: the reader refuses the others too (and a file swapped for a
        // FIFO after this look-up), this gives the reason.
        if (const std::string problem = InfoFileProblem(file); !problem.empty()) {
            fail(file, problem);
            continue;
        }
        photo.ReadImageFile(file);
        if (photo.StatusText == kStatusCannotOpen) {
            fail(file, photo.OpenError ? OpenErrorText(photo.OpenError) : "cannot be opened");
            continue;
        }
        if (options.json) {
            all.push_back(InfoJson(file, photo));
        } else {
            if (!first)
                out << "\n";
            out << InfoText(file, photo, options.tags, options.trace);
            first = false;
        }
    }
    if (options.json)
        out << all.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
    return status;
}

} // namespace kivo
