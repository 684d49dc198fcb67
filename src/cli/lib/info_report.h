#pragma once
// kivo-info: what the metadata reader finds in image files, as text or as JSON.

#include <iosfwd>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace kivo {

class OutputBuffer;
class TPhotoData;
class XmpSidecarReader;

struct InfoOptions {
    bool json = false;
    bool tags = false;
    bool trace = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> files;
};

// Parses the arguments after the program name; false with a message for bad usage.
bool ParseInfoArgs(const std::vector<std::string>& args, InfoOptions& options, std::string& error);

std::string InfoUsage();
// "kivo-info <version> (Kivomat)": the program's version, as the about box shows it.
std::string InfoVersion();

// Why a path cannot be reported: "no such file", "is a folder", "not a regular file", or
// the system's text for the error; "" for a regular file.
std::string InfoFileProblem(const std::string& file);

// One file's report from a reader that has just read it: the fields the text shows by
// default; with withTags then "tags" and, for a file with an APP13 segment, "iptc"; with
// withTrace "trace" and "maker_trace" (before "iptc").
nlohmann::ordered_json InfoJson(const std::string& file, TPhotoData& photo,
                                XmpSidecarReader& sidecars, bool withTags, bool withTrace);
// The same into an object that may hold the report of an earlier file: its members are set
// again in place, in the same order (a name that is not UTF-8 adds "file_bytes").
void FillInfoJson(nlohmann::ordered_json& object, const std::string& file, TPhotoData& photo,
                  XmpSidecarReader& sidecars, bool withTags, bool withTrace);
// The report of a file that could not be read: "file" and "error".
nlohmann::ordered_json InfoErrorJson(const std::string& file, const std::string& error);
// Appends one file's text report to out.
void AppendInfoText(std::string& out, const std::string& file, TPhotoData& photo,
                    XmpSidecarReader& sidecars, bool withTags, bool withTrace);

// Threads that read the files and make their reports: none (this thread does all), or
// `workers` of them; with readAhead this thread opens each file and reads its head first,
// in order, so that the disk sees one reader.
struct InfoThreads {
    unsigned workers = 0;
    bool readAhead = false;
};
// What pays for these files: threads only for many files on a machine of several cores;
// parallel readers where the first file's disk serves them, else one reader ahead.
InfoThreads InfoThreadsFor(const InfoOptions& options);

// The whole tool: 0 when every file could be read, 1 when a file is missing, a folder, not
// a regular file or cannot be opened (the others are still reported) or when the output
// cannot be written, 2 for bad usage. Each file's report is written in the order of the
// arguments, as soon as it and those before it are read. threads: nullptr to choose by
// InfoThreadsFor.
int RunInfo(const std::vector<std::string>& args, OutputBuffer& out, std::ostream& err,
            const InfoThreads* threads = nullptr);
int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const InfoThreads* threads = nullptr);

} // namespace kivo
