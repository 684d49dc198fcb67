#pragma once
// What the three kivo-tidy commands share: argument reading, grouping files by folder,
// the result table as text or JSON, exit statuses.

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kivo {
class Journal;
}

namespace kivo::tidy {

// The undo journal of the running command (opened by RunTidy), nullptr without one.
Journal* CurrentJournal();
void SetCurrentJournal(Journal* journal);

inline constexpr int kExitOk = 0;     // every row succeeded or had nothing to do
inline constexpr int kExitFailed = 1; // at least one row (or named file) failed
inline constexpr int kExitUsage = 2;  // bad usage

// Bad usage: the text goes to stderr with a hint to --help, the exit status is 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads "--name value", "--name=value", flags and operands; "--" ends the options.
class ArgReader {
public:
    explicit ArgReader(std::vector<std::string> args) : args_(std::move(args)) {}

    bool atEnd() const { return pos_ >= args_.size(); }
    // The next argument is an option. A "--" on the way is taken: what follows it are
    // operands. Check atEnd() again when this returns false.
    bool nextIsOption();
    // Takes the next option's name ("--format" from "--format=0" too).
    std::string takeOption();
    // The value of the option just taken: its "=value" or the next argument.
    std::string takeValue(const std::string& option);
    // A flag must not carry "=value".
    void noValue(const std::string& option);
    std::string takeOperand() { return args_[pos_++]; }

private:
    std::vector<std::string> args_;
    std::size_t pos_ = 0;
    bool optionsEnded_ = false;
    std::string pendingValue_;
    bool hasPendingValue_ = false;
};

// Files of one folder, in the order they were named (each name once).
struct FolderBatch {
    std::string folder; // absolute, links resolved, no trailing "/"
    std::vector<std::string> names;
};

// True when the arguments before any "--" hold "-h" or "--help".
bool WantsHelp(const std::vector<std::string>& args);

// Groups the named files by folder, folders in order of first appearance. A name that is
// not an existing file (a folder, nothing at all) is reported on `err` and left out;
// `anyMissing` tells whether that happened.
std::vector<FolderBatch> GroupByFolder(const std::vector<std::string>& files,
                                       const std::string& command, std::ostream& err,
                                       bool& anyMissing);

// Where a named file went: batch `batch`, names[name] there; kNoBatch for a name without a
// folder (nothing to find it in).
struct PlacedName {
    static constexpr std::size_t kNoBatch = static_cast<std::size_t>(-1);
    std::size_t batch = kNoBatch;
    std::size_t name = 0;
};

// The line of GroupByFolder for a name that is not an existing file.
void ReportNotAFile(std::ostream& err, const std::string& command, const std::string& file);

// GroupByFolder without looking the names up: for a caller that opens every file anyway and
// learns there which names are files. Every name with a folder goes into its folder's batch;
// `placed` gets one entry per file of `files`.
std::vector<FolderBatch> GroupNamesByFolder(const std::vector<std::string>& files,
                                            std::vector<PlacedName>& placed);

// A result table: column captions and rows of texts. Printed as aligned text, or as a JSON
// array of objects whose keys are the captions, in column order.
struct ResultTable {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
    // The last column (the reason of a failure) appears in the text only when a row has one.
    bool lastColumnOptional = false;
};

// Text output has one row per line: names holding a newline, a tab or another control
// byte are escaped as `ls -b` does ("\n", "\t", "\ooo", a backslash as "\\").
void PrintText(const ResultTable& table, std::ostream& out);
std::string EscapeForLine(std::string_view text);
void PrintJson(const ResultTable& table, std::ostream& out);

// The AMOUNT and UNIT of "--shift AMOUNT UNIT": a whole number (a leading "+" allowed), and
// a unit in English or as the adjustment dialog names it; the unit index of
// adjust_settings.h. UsageError otherwise.
std::int64_t ParseAmount(const std::string& text);
int ParseUnit(const std::string& text);

// Width of a UTF-8 text in characters (code points).
std::size_t TextWidth(std::string_view s);

} // namespace kivo::tidy
