#include "platform/exe_folder.h"

#include <cstdlib>
#include <system_error>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kivo {

std::string ExeFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return std::string();
    const std::string path = exe.string();
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return std::string();
    return path.substr(0, slash);
}

std::string DataFolder() {
    if (const char* over = std::getenv("KIVO_DATA_DIR"); over && *over)
        return over;
    const std::string exe = ExeFolder();
    // A system-wide install is never a portable one, even for a user who may write there.
    const bool systemFolder = exe.rfind("/usr/", 0) == 0 || exe == "/bin" || exe == "/sbin";
    if (!exe.empty() && !systemFolder && ::access(exe.c_str(), W_OK) == 0)
        return exe;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = "/tmp";
    const std::string folder = base + "/kivomat";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}

std::string SettingsPath() { return DataFolder() + "/" + kIniFileName; }

} // namespace kivo
