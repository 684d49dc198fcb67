#pragma once
// The settings file: plain INI, no cache. Every call opens the file, does one read or
// one write and releases it. Sections and keys match without regard to case.

#include <stdexcept>
#include <string>

namespace kivo {

// A write the system refused. Its text is "Unable to write to " + the path.
class IniWriteError : public std::runtime_error {
public:
    explicit IniWriteError(const std::string& path);
};

std::string ReadIniString(const std::string& path, const std::string& section,
                          const std::string& key, const std::string& def);
void WriteIniString(const std::string& path, const std::string& section, const std::string& key,
                    const std::string& value);
int ReadIniInteger(const std::string& path, const std::string& section, const std::string& key,
                   int def);
void WriteIniInteger(const std::string& path, const std::string& section, const std::string& key,
                     int value);
bool ReadIniBool(const std::string& path, const std::string& section, const std::string& key,
                 bool def);
void WriteIniBool(const std::string& path, const std::string& section, const std::string& key,
                  bool value);

} // namespace kivo
