#include "photoops/gather_report_file.h"

#include <cerrno>
#include <cstdio>

#include "photoops/gather.h"

namespace kivo {

namespace {

int errnoOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

// Calls onLine(text) for every line of the file until it returns false. A line ends at
// CR LF, LF or a lone CR; a last line without an ending counts when it is not empty.
template <class OnLine> void forEachLine(const std::string& path, OnLine onLine) {
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw GatherIoError(errnoOr(EIO), path);
    std::string current;
    bool afterCr = false;
    bool go = true;
    char buf[1 << 16];
    while (go) {
        const std::size_t got = std::fread(buf, 1, sizeof buf, f);
        if (got == 0)
            break;
        for (std::size_t i = 0; i < got && go; ++i) {
            const char c = buf[i];
            if (c == '\n' && afterCr) {
                afterCr = false; // second half of CR LF
                continue;
            }
            afterCr = false;
            if (c == '\r' || c == '\n') {
                afterCr = c == '\r';
                go = onLine(current);
                current.clear();
            } else {
                current.push_back(c);
            }
        }
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError)
        throw GatherIoError(EIO, path);
    if (go && !current.empty())
        onLine(current);
}

} // namespace

namespace gathering {

ReportAppender::ReportAppender(const std::string& path) : path_(path) {
    errno = 0;
    file_ = std::fopen(path.c_str(), "ab");
    if (!file_)
        throw GatherIoError(errnoOr(EIO), path_);
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
}

ReportAppender::~ReportAppender() {
    if (file_)
        std::fclose(file_);
}

void ReportAppender::line(std::string_view text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() ||
        std::fwrite("\r\n", 1, 2, file_) != 2)
        throw GatherIoError(errnoOr(EIO), path_);
}

void ReportAppender::close() {
    std::FILE* f = file_;
    file_ = nullptr;
    errno = 0;
    if (std::fclose(f) != 0)
        throw GatherIoError(errnoOr(EIO), path_);
}

} // namespace gathering

using gathering::ReportAppender;

void CreateEmptyFile(const std::string& path) {
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw GatherIoError(errnoOr(EIO), path);
    if (std::fclose(f) != 0)
        throw GatherIoError(errnoOr(EIO), path);
}

void AppendLine(const std::string& text, const std::string& path) {
    ReportAppender out(path);
    out.line(text);
    out.close();
}

int CountLines(const std::string& path) {
    int n = 0;
    bool onlyEmpty = true;
    forEachLine(path, [&](const std::string& line) {
        ++n;
        onlyEmpty = onlyEmpty && line.empty();
        return true;
    });
    return n == 1 && onlyEmpty ? 0 : n;
}

std::string ReadLineN(int n, const std::string& path) {
    std::string result;
    if (n < 1)
        return result;
    int index = 0;
    forEachLine(path, [&](const std::string& line) {
        if (++index == n) {
            result = line;
            return false;
        }
        return true;
    });
    return result;
}

} // namespace kivo
