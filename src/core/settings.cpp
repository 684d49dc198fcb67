#include "core/settings.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivo {
namespace {

std::string Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return std::string(s.substr(b, e - b));
}

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lo = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lo(a[i]) != lo(b[i]))
            return false;
    }
    return true;
}

// The file split into lines without their line ends; every line is kept as it is.
struct IniLines {
    std::vector<std::string> lines;
};

std::optional<IniLines> Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream ss;
    ss << in.rdbuf();
    const std::string text = ss.str();
    IniLines ini;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t nl = text.find('\n', start);
        if (nl == std::string::npos)
            nl = text.size();
        std::string line = text.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        ini.lines.push_back(std::move(line));
        start = nl + 1;
    }
    return ini;
}

// "[name]" with blanks around allowed; returns the name or nullopt.
std::optional<std::string> SectionName(const std::string& line) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[')
        return std::nullopt;
    const std::size_t close = t.find(']');
    if (close == std::string::npos)
        return std::nullopt;
    return Trim(std::string_view(t).substr(1, close - 1));
}

// Key of a "key=value" line; nullopt for lines without "=".
std::optional<std::string> KeyOf(const std::string& line, std::string* value = nullptr) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    const std::string key = Trim(std::string_view(line).substr(0, eq));
    if (key.empty() || key[0] == ';')
        return std::nullopt;
    if (value)
        *value = Trim(std::string_view(line).substr(eq + 1));
    return key;
}

std::optional<std::string> Lookup(const std::string& path, const std::string& section,
                                  const std::string& key) {
    const auto ini = Load(path);
    if (!ini)
        return std::nullopt;
    bool inSection = false;
    for (const std::string& line : ini->lines) {
        if (auto name = SectionName(line)) {
            inSection = SameNoCase(*name, Trim(section));
            continue;
        }
        std::string value;
        if (inSection) {
            if (auto k = KeyOf(line, &value); k && SameNoCase(*k, Trim(key)))
                return value;
        }
    }
    return std::nullopt;
}

void Store(const std::string& path, const std::string& text) {
    // Write a sibling file and move it over, so a failed write never truncates the settings.
    const std::string tmp = path + ".tmp" + std::to_string(::getpid());
    struct stat old {};
    const bool existed = ::stat(path.c_str(), &old) == 0;
    // A file without the owner's write bit is read-only for everybody, as its "R" says.
    if (existed && ((old.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0))
        throw IniWriteError(path);
    const mode_t mode = existed ? (old.st_mode & 07777) : 0666;
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        // No room for a sibling (folder not writable): write in place if the file allows it.
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0)
            throw IniWriteError(path);
        const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        if (::close(fd) != 0 || !ok)
            throw IniWriteError(path);
        return;
    }
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (existed)
        ::fchmod(fd, mode);
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        throw IniWriteError(path);
    }
}

} // namespace

IniWriteError::IniWriteError(const std::string& path)
    : std::runtime_error("Unable to write to " + path) {}

std::string ReadIniString(const std::string& path, const std::string& section,
                          const std::string& key, const std::string& def) {
    return Lookup(path, section, key).value_or(def);
}

void WriteIniString(const std::string& path, const std::string& section, const std::string& key,
                    const std::string& value) {
    std::vector<std::string> lines;
    if (auto ini = Load(path))
        lines = std::move(ini->lines);
    else if (::access(path.c_str(), F_OK) == 0)
        throw IniWriteError(path); // exists but cannot be read: do not lose it

    const std::string newLine = Trim(key) + "=" + value;
    const std::string wantSection = Trim(section);
    bool inSection = false;
    std::optional<std::size_t> sectionLast; // last non-blank line of the section
    bool done = false;
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
        if (auto name = SectionName(lines[i])) {
            if (inSection)
                break;
            inSection = SameNoCase(*name, wantSection);
            if (inSection)
                sectionLast = i;
            continue;
        }
        if (!inSection)
            continue;
        if (!Trim(lines[i]).empty())
            sectionLast = i;
        if (auto k = KeyOf(lines[i]); k && SameNoCase(*k, Trim(key))) {
            lines[i] = newLine;
            done = true;
        }
    }
    if (!done) {
        if (sectionLast) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*sectionLast + 1), newLine);
        } else {
            while (!lines.empty() && Trim(lines.back()).empty())
                lines.pop_back();
            if (!lines.empty())
                lines.emplace_back();
            lines.push_back("[" + wantSection + "]");
            lines.push_back(newLine);
        }
    }
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    Store(path, text);
}

int ReadIniInteger(const std::string& path, const std::string& section, const std::string& key,
                   int def) {
    const auto v = Lookup(path, section, key);
    if (!v || v->empty())
        return def;
    std::string s = *v;
    bool negative = false;
    std::size_t i = 0;
    if (s[0] == '-' || s[0] == '+') {
        negative = s[0] == '-';
        i = 1;
    }
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (s.size() - i > 2 && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size())
        return def;
    long long value = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return def;
        value = value * base + digit;
        if (value > 0x80000000LL)
            return def;
    }
    if (negative)
        value = -value;
    if (value > 0x7fffffffLL || value < -0x80000000LL)
        return def;
    return static_cast<int>(value);
}

void WriteIniInteger(const std::string& path, const std::string& section, const std::string& key,
                     int value) {
    WriteIniString(path, section, key, std::to_string(value));
}

bool ReadIniBool(const std::string& path, const std::string& section, const std::string& key,
                 bool def) {
    return ReadIniInteger(path, section, key, def ? 1 : 0) != 0;
}

void WriteIniBool(const std::string& path, const std::string& section, const std::string& key,
                  bool value) {
    WriteIniString(path, section, key, value ? "1" : "0");
}

} // namespace kivo
