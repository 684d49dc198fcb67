// XMP dates: a plain search for three properties, enough for the packets cameras and
// editors write; no XML parser is needed for them.

#include "exif/xmp_dates.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>

#include "platform/regular_file.h"

namespace kivo {

namespace {

std::string propertyOf(std::string_view packet, std::string_view name) {
    // Attribute form: name="value" (or single quotes).
    for (std::size_t at = packet.find(name); at != std::string_view::npos;
         at = packet.find(name, at + 1)) {
        std::size_t i = at + name.size();
        const bool attribute = i < packet.size() && packet[i] == '=';
        const bool element = at > 0 && packet[at - 1] == '<' && i < packet.size() &&
                             (packet[i] == '>' || packet[i] == ' ');
        if (attribute && i + 1 < packet.size() && (packet[i + 1] == '"' || packet[i + 1] == '\'')) {
            const char quote = packet[i + 1];
            const std::size_t end = packet.find(quote, i + 2);
            if (end != std::string_view::npos)
                return std::string(packet.substr(i + 2, end - i - 2));
        } else if (element) {
            const std::size_t open = packet.find('>', i);
            const std::size_t close = packet.find('<', open == std::string_view::npos ? i : open);
            if (open != std::string_view::npos && close != std::string_view::npos)
                return std::string(packet.substr(open + 1, close - open - 1));
        }
    }
    return {};
}

std::string trimmed(std::string s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.back()))
        s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && blank(s[i]))
        ++i;
    return s.substr(i);
}

} // namespace

XmpDates ParseXmpDates(std::string_view packet) {
    XmpDates d;
    d.dateTimeOriginal = trimmed(propertyOf(packet, "exif:DateTimeOriginal"));
    d.createDate = trimmed(propertyOf(packet, "xmp:CreateDate"));
    d.dateCreated = trimmed(propertyOf(packet, "photoshop:DateCreated"));
    return d;
}

std::string XmpDates::TakenStamp() const {
    for (const std::string* s : {&dateTimeOriginal, &createDate, &dateCreated})
        if (auto stamp = XmpDateAsExifStamp(*s))
            return *stamp;
    return {};
}

std::optional<std::string> XmpDateAsExifStamp(std::string_view t) {
    // 0123456789012345678
    // YYYY-MM-DDThh:mm:ss
    auto digits = [&](std::size_t from, std::size_t n) {
        if (t.size() < from + n)
            return false;
        for (std::size_t i = from; i < from + n; ++i)
            if (t[i] < '0' || t[i] > '9')
                return false;
        return true;
    };
    if (!digits(0, 4) || t.size() < 10 || t[4] != '-' || !digits(5, 2) || t[7] != '-' ||
        !digits(8, 2))
        return std::nullopt;
    std::string out = std::string(t.substr(0, 4)) + ":" + std::string(t.substr(5, 2)) + ":" +
                      std::string(t.substr(8, 2)) + " ";
    if (t.size() == 10)
        return out + "00:00:00";
    if (t[10] != 'T' || !digits(11, 2) || t.size() < 16 || t[13] != ':' || !digits(14, 2))
        return std::nullopt;
    out += std::string(t.substr(11, 5)) + ":";
    if (t.size() > 16 && t[16] == ':') {
        if (!digits(17, 2))
            return std::nullopt;
        out += std::string(t.substr(17, 2));
    } else {
        out += "00";
    }
    return out;
}

std::optional<std::string_view> XmpPacketOfApp1(std::string_view payload) {
    static constexpr std::string_view kHeader{"http://ns.adobe.com/xap/1.0/\0", 29};
    if (payload.substr(0, kHeader.size()) != kHeader)
        return std::nullopt;
    return payload.substr(kHeader.size());
}

namespace {

// The sidecar names of a photo, in the order they are tried: NAME.xmp, NAME.XMP, then
// NAME.ext.xmp and NAME.ext.XMP.
std::array<std::string, 4> sidecarCandidates(const std::string& photoPath) {
    const std::size_t slash = photoPath.rfind('/');
    const std::size_t dot = photoPath.rfind('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    const std::string stem = hasExt ? photoPath.substr(0, dot) : photoPath;
    return {stem + ".xmp", stem + ".XMP", photoPath + ".xmp", photoPath + ".XMP"};
}

// The first kMaxXmpBytes of a regular file; nullopt when it is not one or cannot be opened.
std::optional<std::string> readSidecarFile(const std::string& path) {
    RegularFile file = OpenRegularFile(path);
    if (!file)
        return std::nullopt;
    // As much as the file has, within the limit: a small sidecar costs no large buffer.
    const auto size = static_cast<std::size_t>(std::max<off_t>(file.info.st_size, 0));
    std::string out(std::min(size + 1, kMaxXmpBytes), '\0');
    std::size_t done = 0;
    while (true) {
        if (done == out.size()) {
            if (out.size() >= kMaxXmpBytes)
                break;
            out.resize(std::min(out.size() * 2, kMaxXmpBytes)); // it grew since its fstat
        }
        const ssize_t got = ::read(file.fd.get(), out.data() + done, out.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    out.resize(done);
    return out;
}

bool endsWithXmp(std::string_view name) {
    return name.size() > 4 &&
           (name.substr(name.size() - 4) == ".xmp" || name.substr(name.size() - 4) == ".XMP");
}

} // namespace

std::string ReadXmpSidecar(const std::string& photoPath) {
    for (const std::string& candidate : sidecarCandidates(photoPath)) {
        if (candidate == photoPath)
            continue;
        if (auto text = readSidecarFile(candidate))
            return std::move(*text);
    }
    return {};
}

std::string XmpSidecarReader::Read(const std::string& photoPath) {
    const std::size_t slash = photoPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : photoPath.substr(0, slash + 1);
    Folder& f = folders_[folder];
    if (!f.listed && ++f.asked == kListAfter + 1) {
        // A folder that cannot be listed is looked up file by file, as before.
        if (DIR* dir = ::opendir(folder.c_str())) {
            while (const dirent* entry = ::readdir(dir))
                if (endsWithXmp(entry->d_name))
                    f.sidecars.insert(entry->d_name);
            ::closedir(dir);
            f.listed = true;
        }
    }
    if (!f.listed)
        return ReadXmpSidecar(photoPath);
    if (f.sidecars.empty())
        return {}; // a folder without sidecars: no names to make
    for (const std::string& candidate : sidecarCandidates(photoPath)) {
        if (candidate == photoPath || !f.sidecars.count(candidate.substr(candidate.rfind('/') + 1)))
            continue;
        if (auto text = readSidecarFile(candidate))
            return std::move(*text);
    }
    return {};
}

} // namespace kivo
