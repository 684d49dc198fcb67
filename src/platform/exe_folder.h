#pragma once
// Where the program lives and where it keeps its settings and report files.

#include <string>

namespace kivo {

inline constexpr const char* kIniFileName = "kivo.ini";

// Folder of the running executable (from /proc/self/exe), without a trailing "/".
std::string ExeFolder();
// ExeFolder when it is writable and not an installed program's folder (a build tree or
// an unpacked portable copy), else $XDG_CONFIG_HOME/kivomat, created on demand.
// KIVO_DATA_DIR overrides both, for tests and portable use.
std::string DataFolder();
// DataFolder() + "/kivo.ini".
std::string SettingsPath();

// Whether a folder holds installed programs: a system prefix, or a "bin", "sbin" or
// "libexec" folder of any prefix (~/.local/bin included). Such a folder never keeps
// settings, even for a user who may write there.
bool IsInstallFolder(const std::string& exeFolder);
// The rule of DataFolder without touching the system: the environment's values are
// passed in (null when unset).
std::string ChooseDataFolder(const std::string& exeFolder, bool exeFolderWritable,
                             const char* xdgConfigHome, const char* home);

} // namespace kivo
