#include "photoops/gather_targets.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <unistd.h>

#include "exif/exif_info.h"
#include "exif/exif_types.h"
#include "platform/regular_file.h"

namespace kivo {

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '-' || c == '_' || c == '.';
}

// Takes `token` (any letter case) from the front of `text`.
bool take(std::string_view& text, std::string_view token) {
    if (text.size() < token.size())
        return false;
    for (std::size_t i = 0; i < token.size(); ++i)
        if ((text[i] | 0x20) != (token[i] | 0x20))
            return false;
    text.remove_prefix(token.size());
    return true;
}

void appendNumber(std::string& out, int value, int width) {
    std::string digits = std::to_string(value);
    if (digits.size() < static_cast<std::size_t>(width))
        out.append(static_cast<std::size_t>(width) - digits.size(), '0');
    out += digits;
}

// Bytes of the file at `offset`, as many as it gives up to `n`.
std::size_t readAt(int fd, std::uint64_t offset, std::uint8_t* out, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd, out + got, n - got, static_cast<off_t>(offset + got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    return got;
}

std::uint64_t fnv1a(const std::uint8_t* p, std::size_t n, std::uint64_t h = 0xcbf29ce484222325ULL) {
    for (std::size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 0x100000001b3ULL;
    }
    return h;
}

constexpr std::size_t kHashPiece = 64 * 1024;

// The hash of a file's first and last pieces; nullopt when it reads short.
std::optional<std::uint64_t> edgeHash(int fd, std::uint64_t size, std::vector<std::uint8_t>& buf) {
    const std::size_t head = size < kHashPiece ? static_cast<std::size_t>(size) : kHashPiece;
    buf.resize(kHashPiece);
    if (readAt(fd, 0, buf.data(), head) != head)
        return std::nullopt;
    std::uint64_t h = fnv1a(buf.data(), head);
    if (size > kHashPiece) {
        const std::uint64_t tailStart = size - kHashPiece;
        if (readAt(fd, tailStart, buf.data(), kHashPiece) != kHashPiece)
            return std::nullopt;
        h = fnv1a(buf.data(), kHashPiece, h);
    }
    return h;
}

} // namespace

std::optional<DateFolderPattern> ParseDateFolderPattern(std::string_view text) {
    DateFolderPattern p;
    p.text = std::string(text);
    std::string_view rest = text;
    if (!take(rest, "YYYY"))
        return std::nullopt;
    static constexpr std::string_view kNext[] = {"MM", "DD"};
    for (std::string_view token : kNext) {
        if (rest.empty())
            break;
        const char sep = rest.front();
        rest.remove_prefix(1);
        if (!isSeparator(sep) || !take(rest, token))
            return std::nullopt;
        p.separator[p.parts - 1] = sep;
        ++p.parts;
    }
    if (!rest.empty())
        return std::nullopt;
    return p;
}

std::string DateFolderOf(const DateFolderPattern& pattern, int year, int month, int day) {
    std::string out;
    appendNumber(out, year, 4);
    if (pattern.parts >= 2) {
        out += pattern.separator[0];
        appendNumber(out, month, 2);
    }
    if (pattern.parts >= 3) {
        out += pattern.separator[1];
        appendNumber(out, day, 2);
    }
    return out;
}

PhotoDater::PhotoDater() : reader_(0) {}

PhotoDate PhotoDater::DateOf(const std::string& path, const struct stat& entry) {
    PhotoDate date;
    date.when = UnixToLocalDateTime(entry.st_mtim.tv_sec);
    if (!S_ISREG(entry.st_mode))
        return date;
    reader_.ReadImageFile(path);
    if (!reader_.ExifPresent() || !reader_.Exif)
        return date;
    const TExifInfo& exif = *reader_.Exif;
    if (exif.TakenDatePos > 0)
        if (const TDateTime taken = exif.DateAt(exif.TakenDatePos); taken != 0) {
            date.when = taken;
            date.source = DateSource::Taken;
            return date;
        }
    // A stamp that does not convert is 0: no value.
    TDateTime earliest = 0;
    for (const std::int32_t pos : {exif.ModifyDatePos, exif.DigitizedDatePos}) {
        if (pos <= 0)
            continue;
        const TDateTime v = exif.DateAt(pos);
        if (v != 0 && (earliest == 0 || v < earliest))
            earliest = v;
    }
    if (earliest != 0) {
        date.when = earliest;
        date.source = DateSource::Earliest;
    }
    return date;
}

bool SameContents(const std::string& a, const std::string& b) {
    const RegularFile fa = OpenRegularFile(a, O_RDONLY | O_NOFOLLOW);
    if (!fa)
        return false;
    const RegularFile fb = OpenRegularFile(b, O_RDONLY | O_NOFOLLOW);
    if (!fb)
        return false;
    if (fa.info.st_dev == fb.info.st_dev && fa.info.st_ino == fb.info.st_ino)
        return true;
    if (fa.info.st_size != fb.info.st_size)
        return false;
    const auto size = static_cast<std::uint64_t>(fa.info.st_size);
    std::vector<std::uint8_t> bufA, bufB;
    const auto ha = edgeHash(fa.fd.get(), size, bufA);
    const auto hb = edgeHash(fb.fd.get(), size, bufB);
    if (!ha || !hb || *ha != *hb)
        return false;
    // Every byte, in pieces; no more than the size fstat gave is ever read.
    constexpr std::size_t kPiece = 256 * 1024;
    bufA.resize(kPiece);
    bufB.resize(kPiece);
    for (std::uint64_t off = 0; off < size;) {
        const std::size_t n = size - off < kPiece ? static_cast<std::size_t>(size - off) : kPiece;
        if (readAt(fa.fd.get(), off, bufA.data(), n) != n ||
            readAt(fb.fd.get(), off, bufB.data(), n) != n)
            return false;
        if (std::memcmp(bufA.data(), bufB.data(), n) != 0)
            return false;
        off += n;
    }
    // Grown meanwhile: not the file that was compared.
    std::uint8_t extra = 0;
    return readAt(fa.fd.get(), size, &extra, 1) == 0 && readAt(fb.fd.get(), size, &extra, 1) == 0;
}

std::string ClashName(std::string_view name, int number) {
    std::size_t dot = name.rfind('.');
    if (dot == 0 || dot == std::string_view::npos)
        dot = name.size();
    std::string out(name.substr(0, dot));
    out += '_';
    out += std::to_string(number);
    out += name.substr(dot);
    return out;
}

} // namespace kivo
