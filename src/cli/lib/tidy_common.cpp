#include "cli/lib/tidy_common.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <functional>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include <nlohmann/json.hpp>

#include "cli/lib/json_names.h"
#include "photoops/adjust_settings.h"
#include "platform/file_system.h"
#include "platform/name_bytes.h"
#include "platform/path_at.h"

namespace kivo::tidy {

namespace fs = std::filesystem;

namespace {
Journal* g_journal = nullptr;
} // namespace

Journal* CurrentJournal() {
    return g_journal;
}

void SetCurrentJournal(Journal* journal) {
    g_journal = journal;
}

bool ArgReader::nextIsOption() {
    if (atEnd() || optionsEnded_)
        return false;
    if (args_[pos_] == "--") {
        optionsEnded_ = true;
        ++pos_;
        return false;
    }
    const std::string& a = args_[pos_];
    return a.size() > 2 && a.compare(0, 2, "--") == 0;
}

std::string ArgReader::takeOption() {
    std::string a = args_[pos_++];
    hasPendingValue_ = false;
    const std::size_t eq = a.find('=');
    if (eq != std::string::npos) {
        pendingValue_ = a.substr(eq + 1);
        hasPendingValue_ = true;
        a.resize(eq);
    }
    return a;
}

std::string ArgReader::takeValue(const std::string& option) {
    if (hasPendingValue_) {
        hasPendingValue_ = false;
        return pendingValue_;
    }
    if (atEnd())
        throw UsageError(option + " needs a value");
    return args_[pos_++];
}

void ArgReader::noValue(const std::string& option) {
    if (hasPendingValue_)
        throw UsageError(option + " takes no value");
}

namespace {

// GroupByFolder, and GroupNamesByFolder without `isFile` (null): each name's place goes to
// `placed` when it is given.
template <class IsFile>
std::vector<FolderBatch> groupByFolder(const std::vector<std::string>& files, IsFile* isFile,
                                       std::vector<PlacedName>* placed,
                                       const std::function<void(const std::string&)>& notFile) {
    std::vector<FolderBatch> batches;
    // Looked up once per spelling of a folder: thousands of files share a few folders.
    std::unordered_map<std::string, std::string> canonicalOf;
    std::unordered_map<std::string, std::size_t> batchOf;
    std::vector<std::unordered_map<std::string, std::size_t>> namesOf;
    std::error_code cwdError;
    const fs::path cwd = fs::current_path(cwdError);
    for (const std::string& file : files) {
        std::error_code ec;
        const fs::path given(file);
        const fs::path absolute =
            given.is_absolute() || cwdError ? fs::absolute(given, ec) : cwd / given;
        std::string name = absolute.filename().string();
        std::string folder;
        if (!ec && !name.empty() && name != "." && name != "..") {
            // One spelling per folder, so "a.jpg" and "./a.jpg" land in the same batch.
            const std::string parent = absolute.parent_path().string();
            const auto known = canonicalOf.find(parent);
            if (known != canonicalOf.end()) {
                folder = known->second;
            } else {
                const fs::path canonical = fs::weakly_canonical(absolute.parent_path(), ec);
                if (!ec)
                    folder = canonical.string();
                canonicalOf.emplace(parent, folder);
            }
        }
        if (folder.empty() || (isFile && !(*isFile)(folder, name))) {
            if (placed)
                placed->push_back({});
            notFile(file);
            continue;
        }
        auto batch = batchOf.find(folder);
        if (batch == batchOf.end()) {
            batch = batchOf.emplace(folder, batches.size()).first;
            batches.push_back({folder, {}});
            namesOf.emplace_back();
        }
        FolderBatch& b = batches[batch->second];
        const auto [at, added] = namesOf[batch->second].emplace(name, b.names.size());
        if (added)
            b.names.push_back(std::move(name));
        if (placed)
            placed->push_back({batch->second, at->second});
    }
    return batches;
}

} // namespace

std::vector<FolderBatch> GroupByFolder(const std::vector<std::string>& files,
                                       const std::string& command, std::ostream& err,
                                       bool& anyMissing) {
    // Names are looked up in their folder: its path is walked once for a run of its files,
    // not once per file. Only the last folder is kept open, so descriptors stay few.
    std::string openFolder;
    UniqueFd openFolderFd;
    auto isFile = [&](const std::string& folder, const std::string& name) {
        if (folder != openFolder) {
            openFolder = folder;
            openFolderFd = OpenFolder(folder, O_PATH);
        }
        if (!openFolderFd)
            return FileExists(IncludeTrailingSlash(folder) + name);
        struct stat st {};
        return ::fstatat(openFolderFd.get(), name.c_str(), &st, 0) == 0 && !S_ISDIR(st.st_mode);
    };
    return groupByFolder(files, &isFile, nullptr, [&](const std::string& file) {
        ReportNotAFile(err, command, file);
        anyMissing = true;
    });
}

void ReportNotAFile(std::ostream& err, const std::string& command, const std::string& file) {
    err << "kivo-tidy " << command << ": not a file: " << EscapeForLine(file) << "\n";
}

std::vector<FolderBatch> GroupNamesByFolder(const std::vector<std::string>& files,
                                            std::vector<PlacedName>& placed) {
    placed.clear();
    placed.reserve(files.size());
    using NoCheck = bool(const std::string&, const std::string&);
    return groupByFolder<NoCheck>(files, nullptr, &placed, [](const std::string&) {});
}

bool WantsHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--")
            return false;
        if (a == "-h" || a == "--help")
            return true;
    }
    return false;
}

std::string EscapeForLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\\':
            out += "\\\\";
            continue;
        case '\n':
            out += "\\n";
            continue;
        case '\t':
            out += "\\t";
            continue;
        case '\r':
            out += "\\r";
            continue;
        case '\a':
            out += "\\a";
            continue;
        case '\b':
            out += "\\b";
            continue;
        case '\f':
            out += "\\f";
            continue;
        case '\v':
            out += "\\v";
            continue;
        default:
            break;
        }
        if (c < 0x20 || c == 0x7F) {
            out += '\\';
            out += static_cast<char>('0' + ((c >> 6) & 7));
            out += static_cast<char>('0' + ((c >> 3) & 7));
            out += static_cast<char>('0' + (c & 7));
        } else {
            out += ch;
        }
    }
    return out;
}

std::size_t TextWidth(std::string_view s) {
    // Every byte that does not continue a UTF-8 sequence starts a character.
    return static_cast<std::size_t>(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

namespace {

// True when EscapeForLine would give text back as it is.
bool plainForLine(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return c < 0x20 || c == 0x7F || c == '\\';
    });
}

// The width of a cell as printed.
std::size_t cellWidth(std::string_view cell) {
    return plainForLine(cell) ? TextWidth(cell) : TextWidth(EscapeForLine(cell));
}

} // namespace

void PrintText(const ResultTable& raw, std::ostream& out) {
    std::size_t shown = raw.columns.size();
    if (raw.lastColumnOptional && shown > 0 &&
        std::all_of(raw.rows.begin(), raw.rows.end(),
                    [shown](const auto& row) { return row[shown - 1].empty(); }))
        --shown;
    // Cells with something to escape are escaped twice (to measure, then to print) rather
    // than copied whole; the others are used as they are.
    std::vector<std::size_t> widths(shown);
    for (std::size_t c = 0; c < shown; ++c) {
        widths[c] = cellWidth(raw.columns[c]);
        for (const auto& row : raw.rows)
            widths[c] = std::max(widths[c], cellWidth(row[c]));
    }
    std::string escaped;
    std::string text;
    auto printRow = [&](const std::vector<std::string>& cells) {
        const std::size_t start = text.size();
        for (std::size_t c = 0; c < shown; ++c) {
            std::string_view cell = cells[c];
            if (!plainForLine(cell)) {
                escaped = EscapeForLine(cell);
                cell = escaped;
            }
            text += cell;
            if (c + 1 < shown)
                text.append(widths[c] - TextWidth(cell) + 2, ' ');
        }
        while (text.size() > start && text.back() == ' ')
            text.pop_back();
        text += '\n';
        if (text.size() >= 64 * 1024) {
            out << text;
            text.clear();
        }
    };
    printRow(raw.columns);
    for (const auto& row : raw.rows)
        printRow(row);
    out << text;
}

void PrintJson(const ResultTable& table, std::ostream& out) {
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const auto& row : table.rows) {
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        for (std::size_t c = 0; c < table.columns.size(); ++c)
            PutName(object, table.columns[c], row[c]);
        rows.push_back(std::move(object));
    }
    out << rows.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

std::int64_t ParseAmount(const std::string& text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    std::int64_t amount = 0;
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, amount);
    if (digits.empty() || ec != std::errc() || ptr != end)
        throw UsageError("the amount '" + text + "' is not a whole number");
    return amount;
}

int ParseUnit(const std::string& text) {
    static constexpr std::string_view kEnglish[] = {"year", "month",  "day",
                                                    "hour", "minute", "second"};
    for (int i = 0; i < 6; ++i)
        if (SameIgnoringAsciiCase(text, kEnglish[i]))
            return i + 1;
    if (const std::optional<int> unit = UnitIndexOfText(text))
        return *unit;
    throw UsageError("unknown unit '" + text + "'");
}

} // namespace kivo::tidy
