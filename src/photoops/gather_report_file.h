#pragma once
// The gathering's report files: written a report at a time, read a line at a time.

#include <cstdio>
#include <string>
#include <string_view>

namespace kivo::gathering {

// Owns one open report file for appending; the run writes each report in one go and only
// closes it when the phase is done, so a report costs time in proportion to its size.
class ReportAppender {
public:
    // Opens for appending, creating it when missing; throws GatherIoError.
    explicit ReportAppender(const std::string& path);
    ~ReportAppender();
    ReportAppender(const ReportAppender&) = delete;
    ReportAppender& operator=(const ReportAppender&) = delete;

    // The text and a CR LF.
    void line(std::string_view text);
    // Flushes and closes; a late write error (a full disk) surfaces here.
    void close();

private:
    std::string path_;
    std::FILE* file_ = nullptr;
};

} // namespace kivo::gathering
