#include "core/settings.h"

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/regular_file.h"

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
    // Only a regular file is read: a FIFO or device under that name would block.
    RegularFile file = OpenRegularFile(path);
    if (!file)
        return std::nullopt;
    std::string text;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(file.fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
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

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A new, empty file beside `target` under a hidden name of its own.
UniqueFd CreateSibling(const std::string& target, mode_t mode, std::string& name) {
    static std::mt19937 random{std::random_device{}()};
    const std::size_t slash = target.rfind('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix;
        for (int i = 0; i < 6; ++i)
            suffix += kLetters[random() % (sizeof kLetters - 1)];
        // A name near the length limit gets a short sibling.
        name =
            dir + (base.size() > 200 ? std::string(".kivo.ini") : "." + base) + ".kivo-" + suffix;
        UniqueFd fd(
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode));
        if (fd || errno != EEXIST)
            return fd;
    }
    return UniqueFd();
}

// The settings land whole or not at all: the text goes into a sibling file, is synced
// and renamed over the old one, so a failure or a crash halfway leaves the old file.
void Store(const std::string& path, const std::string& text) {
    std::string target = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        // A linked settings file stays linked: the file it points to is replaced.
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
        if (real)
            target = real.get();
    }
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    // A file without the owner's write bit is read-only for everybody, as its "R" says.
    if (existed && ((old.st_mode & S_IWUSR) == 0 || ::access(target.c_str(), W_OK) != 0))
        throw IniWriteError(path);
    const mode_t mode = existed ? (old.st_mode & 07777) : 0666;
    std::string tmp;
    UniqueFd fd = CreateSibling(target, mode, tmp);
    if (!fd)
        throw IniWriteError(path);
    bool ok = WriteAll(fd.get(), text);
    if (ok && existed)
        ok = ::fchmod(fd.get(), mode) == 0;
    ok = ok && ::fsync(fd.get()) == 0;
    // Late errors of network file systems come at close.
    ok = (::close(fd.release()) == 0) && ok;
    if (!ok || ::rename(tmp.c_str(), target.c_str()) != 0) {
        ::unlink(tmp.c_str());
        throw IniWriteError(path);
    }
    // The rename itself is made durable by syncing the folder; a file system that cannot
    // sync folders still has the complete file under one of the two names.
    const std::size_t slash = target.rfind('/');
    const std::string dir =
        slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
    if (UniqueFd d(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); d)
        ::fsync(d.get());
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
