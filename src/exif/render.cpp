// Value rendering: numbers, labels, patterns and the renderers of the main and GPS tables.
// Numbers are always written with "." as the decimal point, whatever the process locale.

#include "exif/render.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "exif/exif_types.h"

namespace kivo {

namespace {

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view trimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> splitList(std::string_view text) {
    std::vector<std::string_view> items;
    std::size_t start = 0;
    while (true) {
        const std::size_t at = text.find(", ", start);
        if (at == std::string_view::npos) {
            items.push_back(text.substr(start));
            return items;
        }
        items.push_back(text.substr(start, at - start));
        start = at + 2;
    }
}

// Delphi-style decimal: optional leading blanks and sign, digits only, within 32 bits.
bool parseDecimal(std::string_view s, std::int64_t& out) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty())
        return false;
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
        if (v > 0x80000000LL)
            return false;
    }
    v = negative ? -v : v;
    if (v > 0x7FFFFFFFLL || v < -0x80000000LL)
        return false;
    out = v;
    return true;
}

std::string fixed(double value, int precision) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
    if (res.ec != std::errc())
        throw ExifFailure("Invalid floating point operation");
    return std::string(buf, res.ptr);
}

void appendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the character at s[i]: a whole UTF-8 sequence when valid, else one byte.
std::size_t charLength(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 1;
    if (c >= 0xF5)
        n = 1;
    if (n == 1 || i + n > s.size())
        return 1;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 1;
    return n;
}

int roundToInt(double v) {
    // Round half to even, as the platform's Round does.
    const double r = std::nearbyint(v);
    if (!std::isfinite(r) || r > 2147483647.0 || r < -2147483648.0)
        throw ExifFailure("Invalid floating point operation");
    return static_cast<int>(r);
}

} // namespace

std::int32_t StrToInt(std::string_view text) {
    std::string_view s = text;
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (!s.empty() && s.front() == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    bool ok = !s.empty();
    std::int64_t v = 0;
    for (char c : s) {
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0) {
            ok = false;
            break;
        }
        v = v * base + d;
        if (v > 0xFFFFFFFFLL) {
            ok = false;
            break;
        }
    }
    if (ok) {
        if (base == 16 && !negative)
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        v = negative ? -v : v;
        if (v <= 0x7FFFFFFFLL && v >= -0x80000000LL)
            return static_cast<std::int32_t>(v);
    }
    throw ExifFailure("'" + std::string(text) + "' is not a valid integer value");
}

std::int32_t BytesToInt(std::span<const std::uint8_t> bytes, bool bigEndian) {
    std::uint64_t acc = 0;
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i)
        acc = acc * 256 + bytes[bigEndian ? i : n - 1 - i];
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(acc & 0xFFFFFFFFu));
}

double NumberOf(std::span<const std::uint8_t> raw, int format, bool bigEndian) {
    switch (format) {
    case kFormatByte:
    case kFormatShort:
    case kFormatLong:
    case kFormatSByte:
    case kFormatSShort:
    case kFormatSLong:
        return BytesToInt(raw, bigEndian);
    case kFormatRational:
    case kFormatSRational: {
        const auto num = BytesToInt(raw.first(raw.size() < 4 ? raw.size() : 4), bigEndian);
        const auto den =
            raw.size() > 4 ? BytesToInt(raw.subspan(4, raw.size() < 8 ? raw.size() - 4 : 4),
                                        bigEndian)
                           : 0;
        return den == 0 ? 0.0 : static_cast<double>(num) / den;
    }
    case kFormatFloat:
    case kFormatDouble: {
        // IEEE single or double in the data's byte order (first component).
        const std::size_t size = format == kFormatFloat ? 4 : 8;
        if (raw.size() < size)
            return 0;
        std::uint64_t bits = 0;
        for (std::size_t i = 0; i < size; ++i)
            bits = (bits << 8) | raw[bigEndian ? i : size - 1 - i];
        double v = 0;
        if (size == 4) {
            const auto b32 = static_cast<std::uint32_t>(bits);
            float f;
            std::memcpy(&f, &b32, 4);
            v = f;
        } else {
            std::memcpy(&v, &bits, 8);
        }
        return std::isfinite(v) ? v : 0.0;
    }
    default:
        return 0;
    }
}

std::string DecodeLabel(std::string_view choices, std::string_view value) {
    const std::string all = "," + std::string(choices) + ",";
    const std::string needle = "," + std::string(trimSpaces(value)) + ":";
    const std::size_t at = all.find(needle);
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + needle.size();
    const std::size_t end = all.find(',', start);
    return all.substr(start, end - start);
}

std::string Printable(std::string_view text) {
    // Most values are plain ASCII: their first 50 characters are their first 50 bytes.
    const std::string_view head = text.substr(0, 50);
    if (std::all_of(head.begin(), head.end(), [](char c) {
            return static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 128;
        }))
        return std::string(head);
    std::string out;
    out.reserve(head.size());
    std::size_t i = 0;
    for (int chars = 0; chars < 50 && i < text.size(); ++chars) {
        const std::size_t n = charLength(text, i);
        if (n == 1 && static_cast<unsigned char>(text[i]) < 32)
            out += '.';
        else
            out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

double FractionValue(std::string_view text) {
    std::string_view s = trim(text);
    std::int64_t whole = 0;
    const std::size_t blank = s.find(' ');
    if (blank != std::string_view::npos) {
        if (!parseDecimal(s.substr(0, blank), whole))
            return 0;
        s = trim(s.substr(blank + 1));
    }
    const std::size_t slash = s.find('/');
    if (slash == std::string_view::npos)
        return 0;
    std::int64_t num = 0;
    std::int64_t den = 0;
    if (!parseDecimal(s.substr(0, slash), num) || !parseDecimal(s.substr(slash + 1), den) ||
        den == 0)
        return 0;
    return static_cast<double>(whole * den + num) / static_cast<double>(den);
}

std::string FormatFloat(std::string_view pattern, double value) {
    std::string out;
    bool used = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            out += pattern[i];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // % [-] [width] [. precision] type
        std::size_t j = i + 1;
        bool left = false;
        if (j < pattern.size() && pattern[j] == '-') {
            left = true;
            ++j;
        }
        int width = 0;
        while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' && width < 1000)
            width = width * 10 + (pattern[j++] - '0');
        int precision = -1;
        if (j < pattern.size() && pattern[j] == '.') {
            ++j;
            precision = 0;
            while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' &&
                   precision < 100)
                precision = precision * 10 + (pattern[j++] - '0');
        }
        if (j >= pattern.size() || used)
            throw ExifFailure("Format '" + std::string(pattern) +
                              "' invalid or incompatible with argument");
        const char type = static_cast<char>(pattern[j] | 0x20);
        std::string field;
        if (type == 'f' || type == 'n')
            field = fixed(value, precision < 0 ? 2 : precision);
        else
            throw ExifFailure("Format '" + std::string(pattern) +
                              "' invalid or incompatible with argument");
        used = true;
        if (static_cast<int>(field.size()) < width)
            field = left ? field + std::string(width - field.size(), ' ')
                         : std::string(width - field.size(), ' ') + field;
        out += field;
        i = j;
    }
    return out;
}

std::string FormatText(std::string_view pattern, std::string_view text) {
    std::string out(pattern);
    const std::size_t at = out.find("%s");
    if (at != std::string::npos)
        out.replace(at, 2, text);
    return out;
}

std::string RenderNumber(std::span<const std::uint8_t> raw, int format, std::string_view choices,
                         std::string_view pattern, bool bigEndian) {
    const int size = FormatSize(format);
    if (size == 0)
        return "0";
    std::size_t n = raw.size() / static_cast<std::size_t>(size);
    if (n > 128)
        n = 128;
    std::string text;
    char buf[48];
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0)
            text += ", ";
        const auto part = raw.subspan(i * static_cast<std::size_t>(size),
                                      static_cast<std::size_t>(size));
        switch (format) {
        case kFormatByte:
        case kFormatShort:
        case kFormatLong:
        case kFormatSByte:
        case kFormatSShort:
        case kFormatSLong: {
            auto res = std::to_chars(buf, buf + sizeof buf, BytesToInt(part, bigEndian));
            const std::string_view number(buf, static_cast<std::size_t>(res.ptr - buf));
            if (!choices.empty())
                text += DecodeLabel(choices, number);
            else
                text += number;
            break;
        }
        case kFormatRational:
        case kFormatSRational: {
            auto res = std::to_chars(buf, buf + sizeof buf, BytesToInt(part.first(4), bigEndian));
            *res.ptr++ = '/';
            res = std::to_chars(res.ptr, buf + sizeof buf, BytesToInt(part.subspan(4), bigEndian));
            text.append(buf, res.ptr);
            break;
        }
        case kFormatFloat:
        case kFormatDouble:
            text += "-9999.99";
            break;
        default:
            text += "?";
            break;
        }
    }
    if (!pattern.empty()) {
        if (pattern.find("%s") != std::string_view::npos)
            return FormatText(pattern, text);
        return FormatFloat(pattern, NumberOf(raw, format, bigEndian));
    }
    return text;
}

std::string RenderComponents(const std::string& text) {
    static const char* const kNames[] = {"", "Y", "Cb", "Cr", "R", "G", "B"};
    std::string out;
    for (std::size_t i = 1; i <= 4 && i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 1 && c <= 6)
            out += kNames[c];
    }
    return out;
}

std::string RenderShutter(const std::string& text) {
    const double v = FractionValue(text);
    const double t = 1.0 / std::pow(2.0, v);
    std::string out = FormatFloat("%4.4f sec", t);
    if (t <= 0.5) {
        char buf[24];
        auto res = std::to_chars(buf, buf + sizeof buf, roundToInt(1.0 / t));
        out += " (1/" + std::string(buf, res.ptr) + ")";
    }
    return out;
}

std::string RenderFlash(const std::string& text) {
    const std::int32_t v = StrToInt(text);
    std::string out = (v & 1) ? "On" : "Off";
    switch (v & 6) {
    case 2:
        out += ", UNKNOWN";
        break;
    case 4:
        out += ", no strobe return";
        break;
    case 6:
        out += ", strobe return";
        break;
    }
    switch (v & 24) {
    case 8:
        out += ", forced";
        break;
    case 16:
        out += ", surpressed";
        break;
    case 24:
        out += ", auto mode";
        break;
    }
    if (v & 32)
        out += ", no flash function";
    if (v & 64)
        out += ", red-eye reduction";
    return out;
}

std::string RenderUserComment(const std::string& text) {
    return text.size() > 8 ? text.substr(8) : std::string();
}

std::string RenderXpText(const std::string& text) {
    const auto items = splitList(text);
    std::string out;
    // Low bytes of little-endian UTF-16 units; the last item never counts.
    for (std::size_t i = 0; i + 1 < items.size(); i += 2) {
        std::int64_t v = 0;
        if (parseDecimal(items[i], v) && v > 0 && v <= 255)
            appendUtf8(out, static_cast<unsigned>(v));
    }
    return out;
}

std::string RenderGpsCoord(const std::string& text) {
    const auto items = splitList(text);
    auto item = [&](std::size_t i) { return i < items.size() ? FractionValue(items[i]) : 0.0; };
    const double degrees = item(0);
    double minutes = item(1);
    double seconds = item(2);
    if (seconds == 0) {
        seconds = (minutes - std::trunc(minutes)) * 60;
        minutes = std::trunc(minutes);
    }
    return FormatFloat("%0.0f", degrees) + " Degrees " + FormatFloat("%0.0f", minutes) +
           " Minutes " + FormatFloat("%0.0f", seconds) + " Seconds";
}

std::string RenderGpsTime(const std::string& text) {
    const auto items = splitList(text);
    auto item = [&](std::size_t i) { return i < items.size() ? FractionValue(items[i]) : 0.0; };
    return FormatFloat("%0.0f", item(0)) + ":" + FormatFloat("%0.0f", item(1)) + ":" +
           FormatFloat("%0.0f", item(2));
}

} // namespace kivo
