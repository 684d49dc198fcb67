#include "cli/lib/info_report.h"

#include <ostream>

#include "exif/iptc.h"
#include "exif/photo_data.h"
#include "platform/datetime.h"
#include "platform/file_system.h"

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

} // namespace

std::string InfoUsage() {
    return "Usage: kivo-info [--json] [--tags] [--trace] FILE...\n"
           "Shows what the metadata reader finds in JPEG and TIFF files (.jpg .jpeg .jpe\n"
           ".tif .tiff .nef): status, whether EXIF is present, the three date-time stamps\n"
           "(DateTime, DateTimeOriginal, DateTimeDigitized), make, model and pixel size.\n"
           "\n"
           "  --json    one JSON array with one object per file\n"
           "  --tags    add the tag list (caption = shown text), maker notes included,\n"
           "            and the IPTC records\n"
           "  --trace   add the reader's trace listing\n"
           "  --help    show this text\n"
           "\n"
           "Exit status: 0 when every file could be read (with or without EXIF), 1 when a\n"
           "file is missing or cannot be opened (the other files are still reported),\n"
           "2 for bad usage.\n";
}

bool ParseInfoArgs(const std::vector<std::string>& args, InfoOptions& options,
                   std::string& error) {
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
        } else {
            error = "unknown option: " + arg;
            return false;
        }
    }
    if (!options.help && options.files.empty()) {
        error = "no files given";
        return false;
    }
    return true;
}

nlohmann::ordered_json InfoJson(const std::string& file, TPhotoData& photo) {
    TExifInfo* exif = photo.Exif.get();
    nlohmann::ordered_json j;
    j["file"] = file;
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
            photo.Iptc->ParseIptcSegment(photo.IptcSlot->Bytes);
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
    int status = 0;
    TPhotoData photo(kBuildAll);
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    bool first = true;
    for (const auto& file : options.files) {
        if (!FileExists(file)) {
            err << "kivo-info: " << file << ": no such file\n";
            status = 1;
            continue;
        }
        photo.ReadImageFile(file);
        if (photo.StatusText == kStatusCannotOpen) {
            err << "kivo-info: " << file << ": cannot be opened\n";
            status = 1;
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
