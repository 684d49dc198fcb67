#include "cli/lib/info_report.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <ostream>
#include <string_view>

#include "cli/lib/json_names.h"
#include "cli/lib/output_buffer.h"
#include "exif/container_kind.h"
#include "exif/iptc.h"
#include "exif/photo_data.h"
#include "exif/xmp_dates.h"
#include "kivo_version.h"
#include "platform/datetime.h"
#include "platform/name_bytes.h"
#include "platform/regular_file.h"

namespace kivo {

namespace {

struct Stamp {
    const char* key;
    const char* label; // "  " + key + ":" padded to the value column
    std::int32_t pos;
};

std::array<Stamp, 3> stampsOf(const TPhotoData& photo) {
    const TExifInfo* exif = photo.Exif.get();
    return {{{"DateTime", "  DateTime:          ", exif ? exif->ModifyDatePos : 0},
             {"DateTimeOriginal", "  DateTimeOriginal:  ", exif ? exif->TakenDatePos : 0},
             {"DateTimeDigitized", "  DateTimeDigitized: ", exif ? exif->DigitizedDatePos : 0}}};
}

// The date-time text the EXIF date dialog shows for a position; "" when absent.
std::string dateText(const TPhotoData& photo, std::int32_t pos) {
    return pos > 0 && photo.Exif ? DateTimeText(photo.Exif->DateAt(pos)) : std::string();
}

// The reader's listings end their lines with CR LF; the report ends them with LF.
void appendWithoutCr(std::string& out, const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r' || i + 1 >= text.size() || text[i + 1] != '\n')
            out += text[i];
}

void appendLine(std::string& out, std::string_view label, std::string_view value) {
    out += label;
    out += value;
    out += '\n';
}

// The XMP dates of the file's packet, else of its sidecar.
XmpDates xmpDatesOf(const std::string& file, const TPhotoData& photo, XmpSidecarReader& sidecars) {
    XmpDates dates = ParseXmpDates(photo.XmpPacket);
    if (dates.empty())
        dates = ParseXmpDates(sidecars.Read(file));
    return dates;
}

// Lens, body and time-zone facts (EXIF 2.3 tags), by tag-list key.
constexpr std::string_view kExif23Facts[] = {
    "LensMake",         "LensModel",      "OffsetTime", "OffsetTimeOriginal", "OffsetTimeDigitized",
    "BodySerialNumber", "CameraOwnerName"};
constexpr std::size_t kFactCount = std::size(kExif23Facts);

// Where each fact is in the tag list, found in one pass; -1 when it is not.
std::array<int, kFactCount> factIndexes(const TExifInfo& exif) {
    std::array<int, kFactCount> at{};
    exif.TagIndexesByName(kExif23Facts, at);
    return at;
}

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
           "time-zone offsets, and the XMP dates of its packet or its sidecar NAME.xmp,\n"
           "when the file has them.\n"
           "\n"
           "  --json     one JSON array with one object per file, written as each file is\n"
           "             read: the default fields above (the lens, body and offset fields\n"
           "             always, empty when absent; \"xmp_dates\" always), the stamps' byte\n"
           "             positions, the flash value and whether the maker note was decoded\n"
           "  --tags     add the tag list (caption = shown text), maker notes included,\n"
           "             and the IPTC records (JSON: \"tags\" and \"iptc\")\n"
           "  --trace    add the reader's trace listing and the maker-note trace (JSON:\n"
           "             \"trace\" and \"maker_trace\")\n"
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

namespace {

// A text value, into the string the value already holds when it is one: an object filled
// file after file keeps its keys and the room of its texts.
void setText(nlohmann::ordered_json& value, std::string_view text) {
    if (value.is_string())
        value.get_ref<std::string&>().assign(text);
    else
        value = std::string(text);
}

} // namespace

void FillInfoJson(nlohmann::ordered_json& j, const std::string& file, TPhotoData& photo,
                  XmpSidecarReader& sidecars, bool withTags, bool withTrace) {
    TExifInfo* exif = photo.Exif.get();
    if (IsValidUtf8(file))
        setText(j["file"], file);
    else
        PutName(j, "file", file);
    setText(j["status"], photo.StatusText);
    j["exif_present"] = photo.ExifPresent();
    // One member at a time: adding a member may move the others.
    const auto stamps = stampsOf(photo);
    nlohmann::ordered_json& positions = j["positions"];
    for (const auto& s : stamps)
        positions[s.key] = s.pos;
    nlohmann::ordered_json& dates = j["dates"];
    for (const auto& s : stamps)
        setText(dates[s.key], dateText(photo, s.pos));
    setText(j["make"], exif ? std::string_view(exif->MakeText) : "");
    setText(j["model"], exif ? std::string_view(exif->ModelText) : "");
    j["pixel_width"] = exif ? exif->PixelWidth : 0;
    j["pixel_height"] = exif ? exif->PixelHeight : 0;
    j["flash"] = exif ? exif->FlashValue : 0;
    const auto at = exif ? factIndexes(*exif) : std::array<int, kFactCount>{};
    for (std::size_t k = 0; k < kFactCount; ++k)
        setText(j[kExif23Facts[k].data()], exif ? exif->TagTextAt(at[k]) : std::string());
    const XmpDates xmp = xmpDatesOf(file, photo, sidecars);
    nlohmann::ordered_json& xmpDates = j["xmp_dates"];
    setText(xmpDates["DateTimeOriginal"], xmp.dateTimeOriginal);
    setText(xmpDates["CreateDate"], xmp.createDate);
    setText(xmpDates["DateCreated"], xmp.dateCreated);
    j["maker_decoded"] = exif ? exif->MakerDecoded : false;
    if (withTags) {
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
        j["tags"] = std::move(tags);
    }
    if (withTrace) {
        j["trace"] = exif ? exif->TraceText() : "";
        j["maker_trace"] = exif ? exif->MakerTrace() : "";
    }
    // The reader keeps the raw APP13 bytes; the records are parsed when asked for.
    if (withTags && photo.Iptc && photo.IptcSlot) {
        photo.Iptc->ParseIptcSegment(photo.IptcBytes());
        nlohmann::ordered_json iptc = nlohmann::ordered_json::array();
        for (const tTagRow& row : photo.Iptc->Records())
            iptc.push_back({{"key", row.Key},
                            {"caption", row.Caption},
                            {"record", row.Aux},
                            {"dataset", row.Number},
                            {"shown", row.Shown}});
        j["iptc"] = std::move(iptc);
    }
}

nlohmann::ordered_json InfoJson(const std::string& file, TPhotoData& photo,
                                XmpSidecarReader& sidecars, bool withTags, bool withTrace) {
    nlohmann::ordered_json j;
    FillInfoJson(j, file, photo, sidecars, withTags, withTrace);
    return j;
}

nlohmann::ordered_json InfoErrorJson(const std::string& file, const std::string& error) {
    nlohmann::ordered_json j;
    PutName(j, "file", file);
    j["error"] = error;
    return j;
}

void AppendInfoText(std::string& out, const std::string& file, TPhotoData& photo,
                    XmpSidecarReader& sidecars, bool withTags, bool withTrace) {
    TExifInfo* exif = photo.Exif.get();
    out += file;
    out += '\n';
    appendLine(out, "  Status:            ", photo.StatusText);
    appendLine(out, "  EXIF present:      ", photo.ExifPresent() ? "yes" : "no");
    for (const auto& s : stampsOf(photo))
        appendLine(out, s.label, dateText(photo, s.pos));
    appendLine(out, "  Make:              ", exif ? std::string_view(exif->MakeText) : "");
    appendLine(out, "  Model:             ", exif ? std::string_view(exif->ModelText) : "");
    out += "  Pixel size:        ";
    if (exif && (exif->PixelWidth || exif->PixelHeight)) {
        out += std::to_string(exif->PixelWidth);
        out += " x ";
        out += std::to_string(exif->PixelHeight);
    }
    out += '\n';
    const XmpDates xmp = xmpDatesOf(file, photo, sidecars);
    for (const auto& [label, value] : {std::pair{"  XMP DateTimeOriginal: ", &xmp.dateTimeOriginal},
                                       std::pair{"  XMP CreateDate:     ", &xmp.createDate},
                                       std::pair{"  XMP DateCreated:    ", &xmp.dateCreated}})
        if (!value->empty())
            appendLine(out, label, *value);
    // Shown only when the file has them, so older files read as before.
    if (exif) {
        const auto at = factIndexes(*exif);
        for (std::size_t k = 0; k < kFactCount; ++k) {
            const std::string text = exif->TagTextAt(at[k]);
            if (text.empty())
                continue;
            const std::size_t from = out.size();
            out += "  ";
            out += kExif23Facts[k];
            out += ':';
            out.resize(std::max(out.size() + 1, from + 21), ' ');
            out += text;
            out += '\n';
        }
    }
    if (withTags) {
        out += "  Tags:\n";
        if (exif) {
            const auto& rows = exif->Tags();
            for (int i = 0; i < exif->TagCount(); ++i) {
                const tTagRow& row = rows[static_cast<std::size_t>(i)];
                out += "    ";
                out += row.Caption;
                out += " = ";
                appendLine(out, "", row.Shown);
            }
        }
        // IPTC records are parsed only when asked for: the reader keeps the raw segment.
        if (photo.Iptc && photo.IptcSlot) {
            photo.Iptc->ParseIptcSegment(photo.IptcBytes());
            if (photo.Iptc->RecordCount() > 0) {
                out += "  IPTC:\n";
                for (const tTagRow& row : photo.Iptc->Records()) {
                    out += "    ";
                    out += row.Caption;
                    out += " = ";
                    appendLine(out, "", row.Shown);
                }
            }
        }
    }
    if (withTrace) {
        out += "  Trace:";
        if (exif)
            appendWithoutCr(out, exif->TraceText());
        out += '\n';
        if (exif && !exif->MakerTrace().empty()) {
            out += "  Maker trace:";
            appendWithoutCr(out, exif->MakerTrace());
            out += '\n';
        }
    }
}

} // namespace kivo
