#pragma once
// kivo-info: what the metadata reader finds in image files, as text or as JSON.

#include <iosfwd>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace kivo {

class TPhotoData;

struct InfoOptions {
    bool json = false;
    bool tags = false;
    bool trace = false;
    bool help = false;
    std::vector<std::string> files;
};

// Parses the arguments after the program name; false with a message for bad usage.
bool ParseInfoArgs(const std::vector<std::string>& args, InfoOptions& options,
                   std::string& error);

std::string InfoUsage();

// One file's report from a reader that has just read it.
nlohmann::ordered_json InfoJson(const std::string& file, TPhotoData& photo);
std::string InfoText(const std::string& file, TPhotoData& photo, bool withTags, bool withTrace);

// The whole tool: 0 when every file could be read, 1 when a file is missing or cannot be
// opened (the others are still reported), 2 for bad usage.
int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace kivo
