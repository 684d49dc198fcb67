#pragma once
// A temporary folder for one test, removed with everything in it at the end.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Folder path without a trailing "/".
    const std::string& path() const { return path_; }
    // path() + "/" + relative
    std::string file(std::string_view relative) const;
    // Writes a file (creating parent folders) and returns its full path.
    std::string write(std::string_view relative, std::string_view contents) const;
    std::string write(std::string_view relative, const std::vector<std::uint8_t>& bytes) const;
    std::string mkdir(std::string_view relative) const;

private:
    std::string path_;
};

std::string ReadWholeFile(const std::string& path);

} // namespace kivo::test
