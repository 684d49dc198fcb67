#include "platform/exe_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace kivo {

namespace {

bool IsUnder(const std::string& path, const std::string& prefix) {
    return path == prefix || path.rfind(prefix + "/", 0) == 0;
}

} // namespace

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

bool IsInstallFolder(const std::string& exeFolder) {
    for (const char* prefix : {"/usr", "/bin", "/sbin", "/opt", "/snap", "/nix/store", "/app"})
        if (IsUnder(exeFolder, prefix))
            return true;
    const std::size_t slash = exeFolder.rfind('/');
    const std::string last = slash == std::string::npos ? exeFolder : exeFolder.substr(slash + 1);
    return last == "bin" || last == "sbin" || last == "libexec";
}

std::string ChooseDataFolder(const std::string& exeFolder, bool exeFolderWritable,
                             const char* xdgConfigHome, const char* home) {
    if (!exeFolder.empty() && exeFolderWritable && !IsInstallFolder(exeFolder))
        return exeFolder;
    std::string base;
    // A relative XDG_CONFIG_HOME is invalid and ignored.
    if (xdgConfigHome && *xdgConfigHome == '/')
        base = xdgConfigHome;
    else if (home && *home)
        base = std::string(home) + "/.config";
    else
        base = "/tmp";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/kivomat";
}

std::string DataFolder() {
    if (const char* over = std::getenv("KIVO_DATA_DIR"); over && *over)
        return over;
    const std::string exe = ExeFolder();
    const bool writable = !exe.empty() && ::access(exe.c_str(), W_OK) == 0;
    const std::string folder =
        ChooseDataFolder(exe, writable, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    if (folder != exe) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }
    return folder;
}

std::string SettingsPath() {
    return DataFolder() + "/" + kIniFileName;
}

} // namespace kivo
