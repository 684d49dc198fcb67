#pragma once
// kivo-info: what the metadata reader finds in image files, as text or as JSON.

#include <iosfwd>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/lib/read_threads.h"

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

// The whole tool: 0 when every file could be read, 1 when a file is missing, a folder, not
// a regular file or cannot be opened (the others are still reported) or when the output
// cannot be written, 2 for bad usage. Each file's report is written in the order of the
// arguments, as soon as it and those before it are read.
int RunInfo(const std::vector<std::string>& args, OutputBuffer& out, std::ostream& err);
int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The same with the threads given instead of chosen by ReadThreadsFor.
int RunInfo(const std::vector<std::string>& args, OutputBuffer& out, std::ostream& err,
            const ReadThreads& threads);
int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const ReadThreads& threads);

} // namespace kivo
