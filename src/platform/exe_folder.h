#pragma once
// Where the program lives and where it keeps its settings and report files.

#include <string>

namespace kivo {

inline constexpr const char* kIniFileName = "kivo.ini";

// Folder of the running executable (from /proc/self/exe), without a trailing "/".
std::string ExeFolder();
// ExeFolder when it is writable, else $XDG_CONFIG_HOME/kivomat (created on demand by
// the first write). KIVO_DATA_DIR overrides both, for tests and portable use.
std::string DataFolder();
// DataFolder() + "/kivo.ini".
std::string SettingsPath();

} // namespace kivo
